// The listings of real DLLs, argument column included, against reference files
// made by an independent implementation on the original disassembler.

#include <gtest/gtest.h>

#include <filesystem>

#include "listing_helpers.h"

namespace kestrivo::test {
namespace {

class ReferenceListing : public ::testing::TestWithParam<const char*> {};

TEST_P(ReferenceListing, MatchesEveryRow) {
  const std::string name = GetParam();
  const std::string dll = MingwRuntimeDll(name);
  const std::string expected = ReadWholeFile(std::string(KESTRIVO_TEST_DATA) + "/reference/mingw-dlls/" + name + ".tsv");
  ASSERT_FALSE(expected.empty());

  RecordingView view;
  ImageState state;
  ListExports(dll, view, state);
  ASSERT_TRUE(view.errors.empty()) << dll << " could not be opened (is g++-mingw-w64-i686-win32 installed?)";

  // Compare line by line so that a failure names the rows that differ.
  std::istringstream want(expected), got(view.Tsv());
  std::string a, b;
  int line = 0, differing = 0;
  while (std::getline(want, a)) {
    ++line;
    if (!std::getline(got, b)) b = "<missing>";
    if (a != b && ++differing <= 10) ADD_FAILURE() << name << " line " << line << "\n want: " << a << "\n  got: " << b;
  }
  EXPECT_FALSE(std::getline(got, b)) << "extra rows after line " << line;
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(view.status[3], std::to_string(line));
}

INSTANTIATE_TEST_SUITE_P(MingwRuntime, ReferenceListing,
                         ::testing::Values("libatomic-1.dll", "libgcc_s_dw2-1.dll", "libgfortran-5.dll",
                                           "libgomp-1.dll", "libobjc-4.dll", "libquadmath-0.dll", "libssp-0.dll",
                                           "libstdc++-6.dll"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

}  // namespace
}  // namespace kestrivo::test
