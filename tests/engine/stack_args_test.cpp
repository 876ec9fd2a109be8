// The argument estimate over the listed file's own image: export lookup as the
// loader answers it, forwarders to other DLLs, and the size bound.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "argcount/stack_args.h"
#include "listing_helpers.h"
#include "pe_fixture.h"

namespace kestrivo::test {
namespace {

const std::vector<uint8_t> kRet8 = {0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x90};
const std::vector<uint8_t> kRet12 = {0x31, 0xC0, 0xC2, 0x0C, 0x00, 0x90};

// An in-memory folder of DLLs for forwarders to find.
struct Folder {
  std::map<std::string, std::vector<uint8_t>> files;  // lower-case name -> bytes
  ModuleFinder Finder() {
    return [this](const std::string& name) -> std::shared_ptr<const FileMap> {
      std::string key = name;
      for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      auto it = files.find(key);
      return it == files.end() ? nullptr : FileMap::Borrow(it->second);
    };
  }
};

int32_t Estimate(const BuiltDll& dll, const std::string& name, Folder* folder = nullptr) {
  StackArgEstimator estimator(FileMap::Borrow(dll.bytes), folder ? folder->Finder() : ModuleFinder{});
  return estimator.EstimateStackArgs(name);
}

TEST(StackArgs, ReturnOperandsFromTheListedFilesOwnCode) {
  struct Case {
    std::vector<uint8_t> code;
    int32_t args;
  } cases[] = {
      {kRet8, 2},
      {{0xC2, 0x06, 0x00, 0x90}, 1},                // truncated toward zero
      {{0xC2, 0x02, 0x00, 0x90}, 0},
      {{0xC2, 0xFC, 0xFF, 0x90}, 16383},
      {{0xC3, 0xC2, 0x08, 0x00, 0x90}, 0},          // a plain ret decides first
      {{0xCA, 0x08, 0x00, 0x90}, 0},                // retf
      {{0xCF, 0x90}, 0},                            // iretd
      {{0xF3, 0xC3, 0x90}, 0},                      // rep ret
  };
  for (const Case& c : cases) {
    BuiltDll dll = SimpleDll({{"f", c.code}});
    EXPECT_EQ(Estimate(dll, "f"), c.args);
  }
}

TEST(StackArgs, LookupFollowsTheLoadersRules) {
  FixtureDll spec;
  spec.functions = {{kRet8}, {kRet12}, {{}, {}, true}};
  spec.names = {{"dup", 0}, {"dup", 1}, {"absent", 2}, {"beyond", 7}};
  BuiltDll dll = BuildDll(spec);
  EXPECT_EQ(Estimate(dll, "dup"), 2) << "the first matching name wins";
  EXPECT_EQ(Estimate(dll, "absent"), 0) << "function RVA 0 is no address";
  EXPECT_EQ(Estimate(dll, "beyond"), 0) << "index at or past NumberOfFunctions";
  EXPECT_EQ(Estimate(dll, "nosuch"), 0);
  EXPECT_EQ(Estimate(dll, "DUP"), 0) << "export names compare with case";

  BuiltDll amd64 = SimpleDll({{"f", kRet8}});
  amd64.Put16(amd64.ntHeaders + kMachineAt, 0x8664);
  EXPECT_EQ(Estimate(amd64, "f"), 0) << "not an i386 image: it cannot be loaded";
  // The listing still shows its rows, each with 0.
  RecordingView view = ListBytes(amd64.bytes);
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].args, "0");
}

TEST(StackArgs, TheSizeBoundIsTheListedFilesOwnSize) {
  // A retn in the second window counts only when the file has at least 200 bytes.
  std::vector<uint8_t> code(100, 0x90);
  code.insert(code.end(), {0xC2, 0x10, 0x00, 0x90});
  BuiltDll dll = SimpleDll({{"f", code}});
  ASSERT_GE(dll.bytes.size(), 200u);
  EXPECT_EQ(Estimate(dll, "f"), 4);
}

TEST(StackArgs, ForwardersLeadToOtherDllsByNameOrOrdinal) {
  Folder folder;
  FixtureDll target;
  target.base = 10;
  target.functions = {{kRet12}, {kRet8}};
  target.names = {{"Three", 0}, {"Two", 1}};
  folder.files["other.dll"] = BuildDll(target).bytes;
  folder.files["dotted.name.x"] = BuildDll(target).bytes;

  FixtureDll spec;
  spec.functions = {{{}, "OTHER.Two"}, {{}, "other.#10"}, {{}, "Dotted.Name.x.Three"}, {{}, "other.Missing"},
                    {{}, "nowhere.Two"}, {{}, "other.#9"}, {{}, "no-dot-at-all"}};
  spec.names = {{"byName", 0}, {"byOrdinal", 1}, {"dottedModule", 2}, {"unknownName", 3},
                {"missingDll", 4}, {"ordinalBelowBase", 5}, {"malformed", 6}};
  BuiltDll dll = BuildDll(spec);

  struct Case {
    const char* name;
    int32_t args;
  } cases[] = {{"byName", 2},     {"byOrdinal", 3},        {"dottedModule", 3}, {"unknownName", 0},
               {"missingDll", 0}, {"ordinalBelowBase", 0}, {"malformed", 0}};
  for (const Case& c : cases) EXPECT_EQ(Estimate(dll, c.name, &folder), c.args) << c.name;
}

TEST(StackArgs, ForwarderCyclesEndWithZero) {
  Folder folder;
  // a.dll: Loop -> b.Loop, Self -> a.Self; b.dll: Loop -> a.Loop.
  FixtureDll a;
  a.functions = {{{}, "b.Loop"}, {{}, "a.Self"}};
  a.names = {{"Loop", 0}, {"Self", 1}};
  FixtureDll b;
  b.functions = {{{}, "a.Loop"}};
  b.names = {{"Loop", 0}};
  folder.files["a.dll"] = BuildDll(a).bytes;
  folder.files["b.dll"] = BuildDll(b).bytes;
  BuiltDll listed = BuildDll(a);
  EXPECT_EQ(Estimate(listed, "Loop", &folder), 0);
  EXPECT_EQ(Estimate(listed, "Self", &folder), 0);
}

TEST(StackArgs, TheListingFindsForwardTargetsBesideTheListedFile) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "kestrivo-forward-test";
  fs::create_directories(dir);
  FixtureDll target;
  target.functions = {{kRet12}};
  target.names = {{"Three", 0}};
  const std::vector<uint8_t> targetBytes = BuildDll(target).bytes;
  {
    std::ofstream(dir / "Target.DLL", std::ios::binary)
        .write(reinterpret_cast<const char*>(targetBytes.data()), static_cast<std::streamsize>(targetBytes.size()));
  }
  FixtureDll spec;
  spec.functions = {{{}, "target.Three"}};
  spec.names = {{"f", 0}};
  const std::vector<uint8_t> listed = BuildDll(spec).bytes;
  const fs::path listedPath = dir / "listed.dll";
  {
    std::ofstream(listedPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(listed.data()), static_cast<std::streamsize>(listed.size()));
  }
  RecordingView view;
  ImageState state;
  ListExports(listedPath.string(), view, state);
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].args, "3") << "target.dll found beside the listed file, name compared without case";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kestrivo::test
