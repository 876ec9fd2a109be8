// The bounded reader, the header step and the RVA-to-file-position mapping.

#include <gtest/gtest.h>

#include <random>

#include "image/image_state.h"
#include "pe_fixture.h"

namespace kestrivo::test {
namespace {

ImageFile Over(const std::vector<uint8_t>& bytes) { return ImageFile::FromMap(FileMap::Borrow(bytes)); }

TEST(ImageFile, ReadsStopAtTheEndAndFailedReadsChangeNothing) {
  const std::vector<uint8_t> bytes = {0x01, 0x02, 0x03, 0x04, 0x05, 'a', 'b', 0, 'c', 'd'};
  ImageFile f = Over(bytes);

  int32_t dword = 0;
  ASSERT_TRUE(f.ReadDword(dword));
  EXPECT_EQ(dword, 0x04030201);

  // A negative seek fails and keeps the position; a seek past the end is accepted.
  EXPECT_FALSE(f.Seek(-1));
  EXPECT_EQ(f.Position(), 4u);
  EXPECT_TRUE(f.Seek(1000));
  uint8_t buffer[8];
  EXPECT_EQ(f.ReadBytes(buffer, 8), 0u);

  // Three bytes left: a dword read fails, keeping its target and the position.
  f.Seek(7);
  dword = 77;
  EXPECT_FALSE(f.ReadDword(dword));
  EXPECT_EQ(dword, 77);
  EXPECT_EQ(f.Position(), 7u);
  uint16_t word = 5;
  f.Seek(9);
  EXPECT_FALSE(f.ReadWord(word));
  EXPECT_EQ(word, 5);
  EXPECT_EQ(f.Position(), 9u);

  // Texts end at a zero byte (consumed) or at the end of the file.
  std::string text = "old";
  f.Seek(5);
  ASSERT_TRUE(f.ReadText(text));
  EXPECT_EQ(text, "ab");
  EXPECT_EQ(f.Position(), 8u);
  ASSERT_TRUE(f.ReadText(text));
  EXPECT_EQ(text, "cd");
  EXPECT_FALSE(f.ReadText(text));  // not one byte left
  EXPECT_EQ(text, "cd");

  // Short reads return what there is.
  f.Seek(8);
  EXPECT_EQ(f.ReadBytes(buffer, 8), 2u);
  EXPECT_EQ(f.ReadBytes(buffer, 0), 0u);
}

TEST(ImageFile, OpenRefusesWhatIsNotAFile) {
  EXPECT_FALSE(ImageFile::Open("").IsOpen());
  EXPECT_FALSE(ImageFile::Open(std::string(KESTRIVO_TEST_DATA) + "/no such file.dll").IsOpen());
  EXPECT_FALSE(ImageFile::Open(KESTRIVO_TEST_DATA).IsOpen());  // a folder
  EXPECT_TRUE(ImageFile::Open(std::string(KESTRIVO_TEST_DATA) + "/reference/decoder-vectors.tsv").IsOpen());
}

TEST(ReadImageHeaders, AcceptsAValidDllAndReadsItsSectionTable) {
  BuiltDll dll = SimpleDll({{"f", {0xC3}}});
  ImageFile f = Over(dll.bytes);
  ImageState state;
  ASSERT_TRUE(ReadImageHeaders(f, state));
  ASSERT_EQ(state.Sections.size(), 2u);
  EXPECT_EQ(state.Sections[1].VirtualAddress, static_cast<int32_t>(dll.edataRva));
}

TEST(ReadImageHeaders, FailsOnDamagedHeaders) {
  struct Case {
    const char* what;
    void (*damage)(BuiltDll&);
    bool ok;
  };
  const Case cases[] = {
      {"file of 64 bytes with MZ", [](BuiltDll& d) { d.bytes.resize(64); }, false},
      {"shorter than a DOS header", [](BuiltDll& d) { d.bytes.resize(63); }, false},
      {"no MZ", [](BuiltDll& d) { d.Put16(0, 0x4D5A); }, false},
      {"no PE", [](BuiltDll& d) { d.Put32(d.ntHeaders, 0x4551); }, false},
      {"e_lfanew past the end", [](BuiltDll& d) { d.Put32(60, 0x7FFFFFF0); }, false},
      {"section table cut short", [](BuiltDll& d) { d.Put16(d.ntHeaders + kNumberOfSectionsAt, 0xFFFF); }, false},
      {"no sections at all", [](BuiltDll& d) { d.Put16(d.ntHeaders + kNumberOfSectionsAt, 0); }, true},
      // The table always starts 248 bytes after the NT headers.
      {"odd SizeOfOptionalHeader", [](BuiltDll& d) { d.Put16(d.ntHeaders + 20, 0xF0); }, true},
      // Without imports the section table is still read.
      {"no import directory", [](BuiltDll& d) { d.Put32(d.ntHeaders + 132, 0); }, true},
  };
  for (const Case& c : cases) {
    BuiltDll dll = SimpleDll({{"f", {0xC3}}});
    c.damage(dll);
    ImageFile f = Over(dll.bytes);
    ImageState state;
    EXPECT_EQ(ReadImageHeaders(f, state), c.ok) << c.what;
  }
}

TEST(ReadImageHeaders, NegativeLfanewReadsTheNtHeadersRightAfterTheDosHeader) {
  // The failed seek leaves the position at 64, where these NT headers stand.
  BuiltDll dll = SimpleDll({{"f", {0xC3}}});
  ASSERT_EQ(dll.ntHeaders, 64u);
  dll.Put32(60, 0x80000000);
  ImageFile f = Over(dll.bytes);
  ImageState state;
  EXPECT_TRUE(ReadImageHeaders(f, state));
  EXPECT_EQ(state.NtHeaders.Signature, kNtSignature);
}

IMAGE_SECTION_HEADER Section(int32_t va, int32_t vsize, int32_t raw) {
  IMAGE_SECTION_HEADER s{};
  s.VirtualAddress = va;
  s.Misc.VirtualSize = vsize;
  s.PointerToRawData = raw;
  return s;
}

TEST(RvaDelta, InclusiveBoundsFirstMatchAndNoMatch) {
  ImageState state;
  state.Sections = {Section(0x1000, 0x2345, 0x400)};
  struct Case {
    int32_t rva, delta;
  } cases[] = {{0x1500, 0xC00}, {0x1000, 0xC00}, {0x3345, 0xC00}, {0x3346, 0}, {0xFFF, 0}, {-5, 0}};
  for (auto c : cases) EXPECT_EQ(RvaDelta(state, c.rva), c.delta) << std::hex << c.rva;

  // Zero virtual size matches only its start; overlapping: the earlier section wins.
  state.Sections = {Section(0x5000, 0, 0x100), Section(0x1000, 0x3000, 0x400), Section(0x2000, 0x100, 0x800)};
  EXPECT_EQ(RvaDelta(state, 0x5000), 0x4F00);
  EXPECT_EQ(RvaDelta(state, 0x5001), 0);
  EXPECT_EQ(RvaDelta(state, 0x2050), 0xC00);

  // The difference is reduced to 32 bits.
  state.Sections = {Section(0x7FFFFFFF, 0x10, static_cast<int32_t>(0x80000000))};
  EXPECT_EQ(RvaDelta(state, 0x7FFFFFFF), -1);
}

TEST(RvaDelta, TheIndexAnswersExactlyLikeTheLinearScan) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    ImageState state;
    const int count = static_cast<int>(random() % 12);
    for (int k = 0; k < count; ++k) {
      // Small coordinates so that sections overlap, touch and nest often; a few extremes.
      int32_t va = static_cast<int32_t>(random() % 64) - 8, vs = static_cast<int32_t>(random() % 24) - 2;
      if (random() % 10 == 0) va = static_cast<int32_t>(random());
      if (random() % 10 == 0) vs = static_cast<int32_t>(random());
      state.Sections.push_back(Section(va, vs, static_cast<int32_t>(random() % 1000)));
    }
    const RvaDeltaIndex index(state.Sections);
    for (int32_t rva = -12; rva < 100; ++rva) ASSERT_EQ(index.Delta(rva), RvaDelta(state, rva)) << round << " " << rva;
    for (const auto& s : state.Sections)
      for (int64_t probe : {int64_t{s.VirtualAddress}, int64_t{s.VirtualAddress} + s.Misc.VirtualSize,
                            int64_t{s.VirtualAddress} + s.Misc.VirtualSize + 1})
        ASSERT_EQ(index.Delta(static_cast<int32_t>(probe)), RvaDelta(state, static_cast<int32_t>(probe)));
  }
}

}  // namespace
}  // namespace kestrivo::test
