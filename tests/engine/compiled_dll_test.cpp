// The argument column on real compiler output: small DLLs compiled at run time
// by the MinGW cross compiler from tests/data/compiled, at -O0 and -O2, listed
// by kestrivo-dump. The expected counts come from the calling conventions, not
// from the engine: a __stdcall function pops its stack arguments (N ints -> N,
// a double -> 2, a 3-int struct by value -> 3), a __cdecl one pops nothing, a
// __fastcall one pops what did not fit in ECX and EDX.

#ifndef _WIN32

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "mingw_tools.h"

namespace kestrivo::test {
namespace {

const char* const kOptimisations[] = {"-O0", "-O2"};

// Builds, for each optimisation, callconv.dll (undecorated names from a .def,
// with NONAME and forwarded exports), fwdtarget.dll beside it, and
// callconv_decorated.dll (the names MinGW gives __declspec(dllexport)).
class CompiledDll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!HaveTool(kMingwGcc)) {
      skipReason_ = std::string(kMingwGcc) + " is not installed";
      return;
    }
    folder_ = new TempFolder;
    if (!folder_->Ok()) {
      buildError_ = "cannot create a temporary folder";
      return;
    }
    for (const char* optimisation : kOptimisations) {
      std::string dir = Folder(optimisation);
      std::filesystem::create_directory(dir);
      const std::string flags = optimisation;
      for (const std::string& error :
           {CompileDll(dir + "/callconv.dll", {CompiledSource("callconv.c"), CompiledSource("callconv.def")}, flags),
            CompileDll(dir + "/fwdtarget.dll", {CompiledSource("fwdtarget.c"), CompiledSource("fwdtarget.def")},
                       flags),
            CompileDll(dir + "/callconv_decorated.dll", {CompiledSource("callconv.c")},
                       flags + " -DCALLCONV_DLLEXPORT")}) {
        buildError_ += error;
      }
    }
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    ASSERT_EQ(buildError_, "");
  }

  static std::string Folder(const std::string& optimisation) { return folder_->Path(optimisation.substr(1)); }

  static inline TempFolder* folder_ = nullptr;
  static inline std::string skipReason_;
  static inline std::string buildError_;
};

std::map<std::string, DumpRow> ByName(const DumpResult& dump) {
  std::map<std::string, DumpRow> rows;
  for (const DumpRow& row : dump.rows) rows[row.name] = row;
  return rows;
}

std::set<std::string> NamesOf(const DumpResult& dump) {
  std::set<std::string> names;
  for (const DumpRow& row : dump.rows) names.insert(row.name);
  return names;
}

struct Expected {
  const char* name;
  const char* ordinal;  // index + 1: callconv.def numbers from 5, and Base is not shown
  const char* args;
};

// callconv.dll: every named export, as the .def gives it.
const Expected kUndecorated[] = {
    {"Args0", "0001", "0"},        {"Args1", "0002", "1"},        {"Args2", "0003", "2"},
    {"Args3", "0004", "3"},        {"Args7", "0005", "7"},        {"Args12", "0006", "12"},
    {"TakesDouble", "0007", "2"},  {"TakesTriple", "0008", "3"},
    // The hidden result pointer is popped with the int.
    {"MakesTriple", "0009", "2"},  {"CdeclSum", "000A", "0"},     {"FastThree", "000B", "1"},
    // Ordinal 16 (Hidden) is NONAME; the forwarders follow it.
    {"ForwardedFive", "000D", "5"}, {"ForwardedCdecl", "000E", "0"}, {"ForwardedMissing", "000F", "0"},
};

TEST_F(CompiledDll, UndecoratedNamesShowTheStackArgumentsEachFunctionPops) {
  for (const char* optimisation : kOptimisations) {
    SCOPED_TRACE(optimisation);
    DumpResult dump = DumpExports(Folder(optimisation) + "/callconv.dll");
    ASSERT_EQ(dump.status, 0);
    EXPECT_EQ(dump.malformed, std::vector<std::string>{});

    std::set<std::string> expectedNames;
    for (const Expected& e : kUndecorated) expectedNames.insert(e.name);
    // Exactly the named exports: the NONAME export is in the address table but not listed.
    EXPECT_EQ(NamesOf(dump), expectedNames);
    EXPECT_EQ(dump.rows.size(), std::size(kUndecorated));

    std::map<std::string, DumpRow> rows = ByName(dump);
    for (const Expected& e : kUndecorated) {
      SCOPED_TRACE(e.name);
      EXPECT_EQ(rows[e.name].ordinal, e.ordinal);
      EXPECT_EQ(rows[e.name].args, e.args);
    }
  }
}

TEST_F(CompiledDll, DecoratedNamesShowTheStackArgumentsEachFunctionPops) {
  // Without a .def, MinGW exports __stdcall names with their @bytes suffix and
  // __fastcall ones with a leading @; everything is exported, Hidden included.
  const std::map<std::string, std::string> expected = {
      {"Args0@0", "0"},       {"Args1@4", "1"},        {"Args2@8", "2"},          {"Args3@12", "3"},
      {"Args7@28", "7"},      {"Args12@48", "12"},     {"TakesDouble@8", "2"},    {"TakesTriple@12", "3"},
      {"MakesTriple@4", "2"}, {"CdeclSum", "0"},       {"@FastThree@12", "1"},    {"Hidden@4", "1"},
  };
  for (const char* optimisation : kOptimisations) {
    SCOPED_TRACE(optimisation);
    DumpResult dump = DumpExports(Folder(optimisation) + "/callconv_decorated.dll");
    ASSERT_EQ(dump.status, 0);
    std::map<std::string, std::string> actual;
    for (const DumpRow& row : dump.rows) actual[row.name] = row.args;
    EXPECT_EQ(actual, expected);
  }
}

TEST_F(CompiledDll, ForwardedExportsAreEstimatedFromTheTargetDllsCode) {
  for (const char* optimisation : kOptimisations) {
    SCOPED_TRACE(optimisation);
    const std::string dll = Folder(optimisation) + "/callconv.dll";
    std::map<std::string, DumpRow> rows = ByName(DumpExports(dll));

    // fwdtarget.dll beside it: Target5's five ints, a count no function of callconv.dll has.
    std::map<std::string, DumpRow> target = ByName(DumpExports(Folder(optimisation) + "/fwdtarget.dll"));
    EXPECT_EQ(target["Target5"].args, "5");
    EXPECT_EQ(target["TargetCdecl"].args, "0");
    EXPECT_EQ(rows["ForwardedFive"].args, "5");
    EXPECT_EQ(rows["ForwardedCdecl"].args, "0");
    EXPECT_EQ(rows["ForwardedMissing"].args, "0");  // the target does not export that name

    // The RVA and offset of a forwarder lead to its "module.name" text.
    std::ifstream file(dll, std::ios::binary);
    file.seekg(std::stol(rows["ForwardedFive"].offset, nullptr, 16));
    std::string forwarder;
    std::getline(file, forwarder, '\0');
    EXPECT_EQ(forwarder, "fwdtarget.Target5");

    // Without the target DLL the forwarder cannot be followed: 0, and the rest is unchanged.
    TempFolder alone;
    ASSERT_TRUE(alone.Ok());
    std::filesystem::copy_file(dll, alone.Path("callconv.dll"));
    std::map<std::string, DumpRow> lonely = ByName(DumpExports(alone.Path("callconv.dll")));
    EXPECT_EQ(lonely["ForwardedFive"].args, "0");
    EXPECT_EQ(lonely["Args7"].args, "7");
    EXPECT_EQ(lonely["ForwardedFive"].rva, rows["ForwardedFive"].rva);
  }
}

}  // namespace
}  // namespace kestrivo::test

#endif  // _WIN32
