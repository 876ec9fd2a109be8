// The shortcuts the listing takes must give exactly the answers of the plain
// algorithm, on every named export of real DLLs:
// - the window search that decodes only what the result depends on, against
//   the literal text algorithm (disassembly text of every window, first "ret"
//   line, "retn XXXXh" / 4), under the file-size bound and small bounds;
// - the lookup of a listed name by its own name-table entry, against the
//   loader's rule (the first entry with that name), also on tables that are
//   not sorted or repeat names.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

#include "argcount/module_image.h"
#include "argcount/stack_args.h"
#include "argcount/window_search.h"
#include "listing_helpers.h"
#include "pe_fixture.h"

namespace kestrivo::test {
namespace {

// Every DLL of Debian's 32-bit MinGW runtime folder, by path.
std::vector<std::string> RuntimeDlls() {
  namespace fs = std::filesystem;
  std::vector<std::string> paths;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(MingwRuntimeDll(""), error)) {
    std::string name = entry.path().filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name.size() > 4 && name.ends_with(".dll")) paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// The names of a file in name-table order, as the listing reads them.
std::vector<std::string> ListedNames(const std::string& path) {
  RecordingView view;
  ImageState state;
  ListingOptions options;
  options.estimateArgs = false;
  ListExports(path, view, state, options);
  std::vector<std::string> names;
  for (const ExportRow& row : view.rows) names.push_back(row.name);
  return names;
}

bool SameTarget(const ExportTarget& a, const ExportTarget& b) {
  return a.kind == b.kind && a.rva == b.rva && a.forwarder == b.forwarder;
}

TEST(LiteralEquivalence, FastWindowSearchMatchesTheTextAlgorithmOnEveryExportOfTheMingwDlls) {
  const std::vector<std::string> dlls = RuntimeDlls();
  ASSERT_FALSE(dlls.empty()) << "no DLLs in " << MingwRuntimeDll("") << " (is g++-mingw-w64-i686-win32 installed?)";

  size_t totalCompared = 0, totalNonZero = 0;
  for (const std::string& path : dlls) {
    SCOPED_TRACE(path);
    const std::shared_ptr<const FileMap> map = FileMap::Open(path);
    ASSERT_NE(map, nullptr);
    const std::unique_ptr<ModuleImage> image = ModuleImage::Load(map);
    ASSERT_NE(image, nullptr);
    const int64_t fileSize = static_cast<int64_t>(map->Size());
    const std::vector<std::string> names = ListedNames(path);
    ASSERT_FALSE(names.empty());

    // The answer depends on the code address and the bound alone, so names
    // that share code are searched once.
    std::set<uint32_t> searched;
    size_t compared = 0, nonZero = 0;
    double textSeconds = 0, fastSeconds = 0;
    for (const std::string& name : names) {
      const ExportTarget target = image->FindExport(name);
      ASSERT_EQ(target.kind, ExportTarget::Code) << name;
      if (!searched.insert(target.rva).second) continue;
      for (const int64_t bound : {fileSize, int64_t{0}, int64_t{100}, int64_t{150}}) {
        const auto t0 = std::chrono::steady_clock::now();
        const int32_t literal = StackArgsFromCodeText(*image, target.rva, bound);
        const auto t1 = std::chrono::steady_clock::now();
        const int32_t fast = StackArgsFromCode(*image, target.rva, bound);
        const auto t2 = std::chrono::steady_clock::now();
        textSeconds += std::chrono::duration<double>(t1 - t0).count();
        fastSeconds += std::chrono::duration<double>(t2 - t1).count();
        ASSERT_EQ(fast, literal) << name << " at RVA " << Hex8(target.rva) << ", bound " << bound;
        ++compared;
        if (fast != 0) ++nonZero;
      }
    }
    std::printf("%s: %zu names, %zu searches, %zu non-zero; text %.3fs, fast %.3fs\n",
                std::filesystem::path(path).filename().string().c_str(), names.size(), compared, nonZero,
                textSeconds, fastSeconds);
    totalCompared += compared;
    totalNonZero += nonZero;
  }
  // Agreement on nothing but zeros would prove little.
  EXPECT_GT(totalNonZero, 0u) << "of " << totalCompared << " searches";
}

TEST(LiteralEquivalence, LookupByNameTableEntryMatchesTheLoaderRuleOnEveryExportOfTheMingwDlls) {
  const std::vector<std::string> dlls = RuntimeDlls();
  ASSERT_FALSE(dlls.empty());
  for (const std::string& path : dlls) {
    SCOPED_TRACE(path);
    const std::unique_ptr<ModuleImage> image = ModuleImage::Load(FileMap::Open(path));
    ASSERT_NE(image, nullptr);
    const std::vector<std::string> names = ListedNames(path);
    for (size_t i = 0; i < names.size(); ++i) {
      ASSERT_TRUE(SameTarget(image->FindExport(names[i], static_cast<uint32_t>(i)), image->FindExport(names[i])))
          << "row " << i << ": " << names[i];
    }
  }
}

TEST(LiteralEquivalence, LookupByNameTableEntryKeepsTheFirstMatchOnDisorderedTables) {
  const std::vector<uint8_t> ret4 = {0xC2, 0x04, 0x00, 0x90};
  const std::vector<uint8_t> ret8 = {0xC2, 0x08, 0x00, 0x90};
  const std::vector<uint8_t> ret12 = {0xC2, 0x0C, 0x00, 0x90};
  const std::vector<uint8_t> ret16 = {0xC2, 0x10, 0x00, 0x90};

  struct Case {
    const char* what;
    FixtureDll spec;
    bool repeatFirstString;  // entry 3 points at entry 0's string
    std::vector<std::string> wantArgs;
  };
  auto dll = [&](std::vector<FixtureName> names) {
    FixtureDll spec;
    spec.functions = {{ret4}, {ret8}, {ret12}, {ret16}};
    spec.names = std::move(names);
    return spec;
  };
  const Case cases[] = {
      {"sorted", dll({{"a", 0}, {"b", 1}, {"c", 2}, {"d", 3}}), false, {"1", "2", "3", "4"}},
      {"a repeated name takes the first entry's function",
       dll({{"a", 0}, {"b", 1}, {"b", 2}, {"c", 3}}), false, {"1", "2", "2", "4"}},
      {"out of order, then a name seen before", dll({{"b", 0}, {"a", 1}, {"c", 2}, {"a", 3}}), false,
       {"1", "2", "3", "2"}},
      {"an entry pointing back at an earlier string", dll({{"a", 0}, {"b", 1}, {"c", 2}, {"d", 3}}), true,
       {"1", "2", "3", "1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BuiltDll built = BuildDll(c.spec);
    if (c.repeatFirstString) built.Put32(built.nameTable + 12, built.Get32(built.nameTable));

    const RecordingView view = ListBytes(built.bytes);
    ASSERT_EQ(view.rows.size(), c.wantArgs.size());
    StackArgEstimator byName(FileMap::Borrow(built.bytes), ModuleFinder{});
    for (size_t i = 0; i < view.rows.size(); ++i) {
      EXPECT_EQ(view.rows[i].args, c.wantArgs[i]) << "row " << i << ": " << view.rows[i].name;
      EXPECT_EQ(view.rows[i].args, std::to_string(byName.EstimateStackArgs(view.rows[i].name))) << "row " << i;
    }
  }
}

}  // namespace
}  // namespace kestrivo::test
