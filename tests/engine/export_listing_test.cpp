// The export walk: rows, their texts and order, and what damaged tables give.

#include <gtest/gtest.h>

#include "listing_helpers.h"
#include "pe_fixture.h"

namespace kestrivo::test {
namespace {

const std::vector<uint8_t> kRet8 = {0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x90, 0x90};

TEST(ExportListing, RowsFollowTheNameTableWithOrdinalFromIndexNotBase) {
  FixtureDll spec;
  spec.base = 5;  // never shown: the ordinal column is index + 1
  spec.functions = {{kRet8}, {{0xC3, 0x90}}, {{0x31, 0xC0, 0xC2, 0x0C, 0x00, 0x90}}};
  spec.names = {{"Zeta", 2}, {"Alpha", 0}, {"Mid", 1}};
  BuiltDll dll = BuildDll(spec);
  RecordingView view = ListBytes(dll.bytes);

  ASSERT_EQ(view.rows.size(), 3u);
  EXPECT_EQ(view.rows[0].ordinal, "0003");
  EXPECT_EQ(view.rows[0].name, "Zeta");
  EXPECT_EQ(view.rows[0].args, "3");
  EXPECT_EQ(view.rows[1].ordinal, "0001");
  EXPECT_EQ(view.rows[1].args, "2");
  EXPECT_EQ(view.rows[2].args, "0");
  // RVA and file offset: .text at RVA 0x1000 lies at file offset 0x200.
  EXPECT_EQ(view.rows[1].rva, "00001000");
  EXPECT_EQ(view.rows[1].offset, "00000200");
  EXPECT_EQ(view.status[3], "3");
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(view.clears, 1);
}

TEST(ExportListing, WithoutEstimatesTheArgumentColumnStaysEmpty) {
  BuiltDll dll = SimpleDll({{"f", kRet8}});
  ListingOptions options;
  options.estimateArgs = false;
  RecordingView view = ListBytes(dll.bytes, options);
  ASSERT_EQ(view.rows.size(), 1u);
  EXPECT_EQ(view.rows[0].args, "");
  EXPECT_EQ(view.rows[0].rva, "00001000");
}

TEST(ExportListing, OrdinalIndexesAreShownWholeAndReadPastTheTable) {
  FixtureDll spec;
  spec.functions = {{kRet8}};
  spec.names = {{"big", 0xFFFF}, {"half", 0x8000}};
  BuiltDll dll = BuildDll(spec);
  // Entry 0x8000 of the address table lies 0x20000 bytes on: make it readable.
  const uint32_t entry = dll.functionTable + 4 * 0x8000;
  dll.Put32(entry, 0x1234);
  RecordingView view = ListBytes(dll.bytes);
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].ordinal, "10000");
  EXPECT_EQ(view.rows[1].ordinal, "8001");
  EXPECT_EQ(view.rows[1].rva, "00001234");
  // Entry 0xFFFF lies past the end: the read fails and keeps the initial 0.
  EXPECT_EQ(view.rows[0].rva, "00000000");
}

TEST(ExportListing, FailedReadsKeepThePreviousRowsValues) {
  BuiltDll dll = SimpleDll({{"first", kRet8}, {"second", {0xC3}}});
  // The second name-table entry now lies past the end of the file: its name RVA
  // read fails, so row 2 repeats row 1's name.
  const uint32_t namesRva = dll.Get32(dll.exportDirectory + kExpAddressOfNames);
  const uint32_t newNamesRva = namesRva + (static_cast<uint32_t>(dll.bytes.size()) - 6 - dll.nameTable);
  dll.Put32(dll.exportDirectory + kExpAddressOfNames, newNamesRva);
  dll.Put32(dll.bytes.size() - 6, dll.Get32(dll.nameTable));
  // Keep the section's virtual size covering the moved table.
  dll.Put32(dll.sectionTable + 40 + 8, 0x1000);
  RecordingView view = ListBytes(dll.bytes);
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].name, "first");
  EXPECT_EQ(view.rows[1].name, "first");
  EXPECT_EQ(view.rows[1].ordinal, "0002");  // its ordinal entry was still readable
}

TEST(ExportListing, NothingIsListedForUnusableDirectories) {
  struct Case {
    const char* what;
    void (*damage)(BuiltDll&);
    bool walked;  // the walk ran (with no names) and wrote the count 0
  };
  const Case cases[] = {
      {"export size 0", [](BuiltDll& d) { d.Put32(d.ntHeaders + kExportSizeAt, 0); }, false},
      {"export size negative", [](BuiltDll& d) { d.Put32(d.ntHeaders + kExportSizeAt, 0x80000000); }, false},
      {"Name 0", [](BuiltDll& d) { d.Put32(d.exportDirectory + kExpName, 0); }, false},
      {"directory past the end", [](BuiltDll& d) { d.Put32(d.ntHeaders + kExportDirAt, 0x7FFF0000); }, false},
      {"not PE", [](BuiltDll& d) { d.Put32(d.ntHeaders, 0); }, false},
      {"NumberOfNames 0", [](BuiltDll& d) { d.Put32(d.exportDirectory + kExpNumberOfNames, 0); }, true},
      {"NumberOfNames negative", [](BuiltDll& d) { d.Put32(d.exportDirectory + kExpNumberOfNames, 0x80000000); },
       true},
  };
  for (const Case& c : cases) {
    BuiltDll dll = SimpleDll({{"f", kRet8}});
    c.damage(dll);
    RecordingView view = ListBytes(dll.bytes);
    EXPECT_TRUE(view.rows.empty()) << c.what;
    EXPECT_TRUE(view.errors.empty()) << c.what;
    if (c.walked) EXPECT_EQ(view.status[3], "0") << c.what;
    else EXPECT_EQ(view.status.count(3), 0u) << c.what << ": the count is written only after a walk";
  }
}

TEST(ExportListing, AHostileNameCountIsBoundedByTheFileSize) {
  BuiltDll dll = SimpleDll({{"f", kRet8}});
  dll.Put32(dll.exportDirectory + kExpNumberOfNames, 0x7FFFFFFF);
  RecordingView view = ListBytes(dll.bytes);
  EXPECT_EQ(view.rows.size(), dll.bytes.size() / 4);
  EXPECT_EQ(view.status[3], std::to_string(dll.bytes.size() / 4));
}

TEST(ExportListing, OffsetEqualsRvaOutsideEverySectionAndForwardersAreListed) {
  FixtureDll spec;
  spec.functions = {{kRet8}, {{}, "other.Thing", false}};
  spec.names = {{"code", 0}, {"fwd", 1}};
  BuiltDll dll = BuildDll(spec);
  dll.Put32(dll.functionTable, 0x00500000);  // in no section
  RecordingView view = ListBytes(dll.bytes);
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].rva, "00500000");
  EXPECT_EQ(view.rows[0].offset, "00500000");
  EXPECT_EQ(view.rows[0].args, "0");
  // The forwarder's RVA points into the export directory and is shown as it is.
  EXPECT_EQ(view.rows[1].rva, Hex8(dll.functionRvas[1]));
  EXPECT_EQ(view.rows[1].offset, Hex8(dll.functionRvas[1] - dll.edataRva + dll.edataRaw));
  EXPECT_EQ(view.rows[1].args, "0");  // other.dll is nowhere
}

TEST(ExportListing, AFileThatCannotBeOpenedShowsTheMessageOnceAndKeepsTheCount) {
  RecordingView view;
  ImageState state;
  BuiltDll dll = SimpleDll({{"a", kRet8}, {"b", kRet8}});
  ImageFile file = ImageFile::FromMap(FileMap::Borrow(dll.bytes));
  ListExports(file, "a.dll", view, state);
  ASSERT_EQ(view.status[3], "2");

  // A text file: empty list, no message, the count of the last walk stays.
  const std::string text = "just some text, not a PE file\r\n";
  ImageFile textFile = ImageFile::FromMap(FileMap::Borrow({reinterpret_cast<const uint8_t*>(text.data()), text.size()}));
  ListExports(textFile, "notes.txt", view, state);
  EXPECT_TRUE(view.rows.empty());
  EXPECT_TRUE(view.errors.empty());
  EXPECT_EQ(view.status[3], "2");

  for (const std::string path : {std::string(), std::string(KESTRIVO_TEST_DATA) + "/missing.dll",
                                 std::string(KESTRIVO_TEST_DATA)}) {
    RecordingView failed;
    ListExports(path, failed, state);
    EXPECT_EQ(failed.clears, 1) << path;
    EXPECT_EQ(failed.errors, std::vector<std::string>{kCannotReadFile}) << path;
    EXPECT_TRUE(failed.status.empty()) << path;
  }
}

TEST(ExportListing, FormatsArePaddedUpperCaseHex) {
  EXPECT_EQ(Hex4(1), "0001");
  EXPECT_EQ(Hex4(0x10000), "10000");
  EXPECT_EQ(Hex8(0xABC), "00000ABC");
  EXPECT_EQ(Hex8(0xFFFFFFFF), "FFFFFFFF");
}

}  // namespace
}  // namespace kestrivo::test
