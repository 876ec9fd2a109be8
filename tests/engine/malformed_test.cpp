// Damaged and hostile files, one table row per damage: each case builds its
// file from the fixture DLL, says what it breaks and what the listing must
// show. None may crash, and each must finish well within a second.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>

#include "listing_helpers.h"
#include "pe_fixture.h"

namespace kestrivo::test {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kRet8 = {0x55, 0x89, 0xE5, 0x5D, 0xC2, 0x08, 0x00, 0x90, 0x90};
const Bytes kRet12 = {0x31, 0xC0, 0xC2, 0x0C, 0x00, 0x90};

// Three exports at .text RVAs 0x1000, 0x1010 and 0x1020 (file offsets 0x200,
// 0x210, 0x220); the export data in .edata at RVA 0x2000, file offset 0x400;
// 0x600 bytes in all.
BuiltDll Intact() { return SimpleDll({{"Ret8", kRet8}, {"Ret", {0xC3}}, {"Twelve", kRet12}}); }

const std::string kIntactRows =
    "0001\tRet8\t2\t00001000\t00000200\n"
    "0002\tRet\t0\t00001010\t00000210\n"
    "0003\tTwelve\t3\t00001020\t00000220\n";

// Section header fields (offsets inside one 40-byte entry).
constexpr uint32_t kVirtualSize = 8, kVirtualAddress = 12, kSizeOfRawData = 16, kPointerToRawData = 20;
uint32_t TextSection(const BuiltDll& d) { return d.sectionTable; }
uint32_t EdataSection(const BuiltDll& d) { return d.sectionTable + 40; }

// The file offset of the name string of name-table entry i.
uint32_t NameOffset(const BuiltDll& d, uint32_t i) { return d.Get32(d.nameTable + 4 * i) - d.edataRva + d.edataRaw; }

struct Outcome {
  std::string rows;            // the whole listing as tab-separated lines
  bool walked = true;          // the walk ran and wrote the row count
  size_t rowCount = SIZE_MAX;  // when set, only the count and the first three rows are checked
  std::function<void(const RecordingView&)> check = nullptr;  // anything more
};

// An in-memory folder that forwarded exports are looked up in.
using Folder = std::map<std::string, Bytes>;  // lower-case file name -> bytes

struct MalformedCase {
  const char* what;
  std::function<Bytes(Folder&)> make;
  Outcome expected;
};

RecordingView ListWithFolder(const Bytes& bytes, const Folder& folder) {
  ListingOptions options;
  options.findModule = [&folder](const std::string& name) -> std::shared_ptr<const FileMap> {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto it = folder.find(key);
    return it == folder.end() ? nullptr : FileMap::Borrow(it->second);
  };
  return ListBytes(bytes, options, "C:\\test\\fixture.dll");
}

// Only these rows' texts, the rest of the listing is checked by count.
std::string FirstRows(const RecordingView& view, size_t n) {
  RecordingView head;
  head.rows.assign(view.rows.begin(), view.rows.begin() + std::min(n, view.rows.size()));
  return head.Tsv();
}

FixtureDll Forwarding(const std::vector<std::pair<std::string, std::string>>& exports) {
  FixtureDll dll;
  for (size_t k = 0; k < exports.size(); ++k) {
    FixtureFunction f;
    if (exports[k].second.empty()) f.code = kRet12;
    else f.forwarder = exports[k].second;
    dll.functions.push_back(f);
    dll.names.push_back({exports[k].first, static_cast<uint16_t>(k)});
  }
  return dll;
}

// 65,537 names, all of the first function (aliases), ascending or descending.
Bytes AliasesOfOneFunction(bool descending) {
  FixtureDll spec;
  spec.functions = {{kRet8}};
  for (uint32_t i = 0; i <= 65536; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "n%06u", descending ? 65536 - i : i);
    spec.names.push_back({name, 0});
  }
  return BuildDll(spec).bytes;
}

// The first function moved to .edata's raw data after the strings (nop nop
// retn 0008h, then nops in the file), with the image ending `imageBytesAfterStart`
// bytes after the function's start.
Bytes RetnNearImageEnd(uint32_t imageBytesAfterStart) {
  BuiltDll d = Intact();
  const uint32_t at = 0x1F0;
  const Bytes code = {0x90, 0x90, 0xC2, 0x08, 0x00, 0x90, 0x90, 0x90};
  d.Put(d.edataRaw + at, code.data(), code.size());
  d.Put32(EdataSection(d) + kVirtualSize, 0x200);
  d.Put32(d.functionTable, d.edataRva + at);
  d.Put32(d.ntHeaders + kSizeOfImageAt, d.edataRva + at + imageBytesAfterStart);
  return d.bytes;
}

std::vector<MalformedCase> Cases() {
  return {
      // --- DOS header ---------------------------------------------------------
      {"e_lfanew 0x80000000 (negative): the seeks to it and to the section table fail, so both are read "
       "where the position stands, right after the DOS and NT headers: exactly where this file has them, "
       "so the rows are listed; the loader refuses a negative e_lfanew, so every estimate is 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(60, 0x80000000);
         return d.bytes;
       },
       {"0001\tRet8\t0\t00001000\t00000200\n"
        "0002\tRet\t0\t00001010\t00000210\n"
        "0003\tTwelve\t0\t00001020\t00000220\n"}},
      {"e_lfanew past the end: the NT headers read comes back short, nothing is listed",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(60, 0x10000);
         return d.bytes;
       },
       {"", false}},
      {"e_lfanew into the middle of the section table: no \"PE\" signature there, nothing is listed",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(60, d.sectionTable + 20);
         return d.bytes;
       },
       {"", false}},

      // --- Section table ------------------------------------------------------
      {"0 sections: every RVA is its own file position; the directory RVA 0x2000 lies past the 0x600-byte file",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put16(d.ntHeaders + kNumberOfSectionsAt, 0);
         return d.bytes;
       },
       {"", false}},
      {"0xFFFF sections in a file too short for 2,621,400 bytes of table: the header step fails",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put16(d.ntHeaders + kNumberOfSectionsAt, 0xFFFF);
         return d.bytes;
       },
       {"", false}},
      {"0xFFFF sections, all present: the two real ones first, 65,533 empty ones after (the headers moved to "
       "the end of the file to make room); rows as intact",
       [](Folder&) {
         BuiltDll d = Intact();
         const uint32_t moved = static_cast<uint32_t>(d.bytes.size());
         Bytes headers(d.bytes.begin() + d.ntHeaders, d.bytes.begin() + d.sectionTable + 80);
         d.Put(moved, headers.data(), headers.size());
         d.bytes.resize(moved + 248 + 0xFFFF * 40, 0);
         d.Put32(60, moved);
         d.Put16(moved + kNumberOfSectionsAt, 0xFFFF);
         return d.bytes;
       },
       {kIntactRows}},
      {"overlapping sections: .text's virtual size stretched to 0x1000 reaches RVA 0x2000 (the bound is "
       "inclusive) and, first in the table, maps the directory to file position 0x1200, past the end",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(TextSection(d) + kVirtualSize, 0x1000);
         return d.bytes;
       },
       {"", false}},
      {"Misc.VirtualSize 0 on .edata: only RVA 0x2000 itself maps, so the directory is read but its tables "
       "(RVA 0x2028 on) fall outside every section and past the end; every read fails, the walk variables "
       "keep 0, and name RVA 0 reads \"MZ\" at file position 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(EdataSection(d) + kVirtualSize, 0);
         return d.bytes;
       },
       {"0001\tMZ\t0\t00000000\t00000000\n"
        "0001\tMZ\t0\t00000000\t00000000\n"
        "0001\tMZ\t0\t00000000\t00000000\n"}},
      {"raw data of .text past the end (PointerToRawData 0x100000): offsets follow the header; the image "
       "holds zeros there, no return, so every estimate is 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(TextSection(d) + kPointerToRawData, 0x100000);
         return d.bytes;
       },
       {"0001\tRet8\t0\t00001000\t00100000\n"
        "0002\tRet\t0\t00001010\t00100010\n"
        "0003\tTwelve\t0\t00001020\t00100020\n"}},
      {"raw data of .edata past the end: the directory cannot be read, nothing is listed",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(EdataSection(d) + kPointerToRawData, 0x7FFFFE00);
         return d.bytes;
       },
       {"", false}},

      // --- SizeOfImage --------------------------------------------------------
      {"SizeOfImage 0: the listing does not use it, but the image has no readable byte, so no export is "
       "found and every estimate is 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.ntHeaders + kSizeOfImageAt, 0);
         return d.bytes;
       },
       {"0001\tRet8\t0\t00001000\t00000200\n"
        "0002\tRet\t0\t00001010\t00000210\n"
        "0003\tTwelve\t0\t00001020\t00000220\n"}},
      {"SizeOfImage 0xFFFFFFFF: the image is read on demand, nothing is allocated for it; rows as intact",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.ntHeaders + kSizeOfImageAt, 0xFFFFFFFF);
         return d.bytes;
       },
       {kIntactRows}},

      // --- Export directory ---------------------------------------------------
      {"export directory outside the file (RVA 0x7FFF0000, in no section)",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.ntHeaders + kExportDirAt, 0x7FFF0000);
         return d.bytes;
       },
       {"", false}},
      {"export directory straddling the end: 20 of its 40 bytes in the file",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.ntHeaders + kExportDirAt, static_cast<uint32_t>(d.bytes.size()) - 20);
         return d.bytes;
       },
       {"", false}},
      {"export directory inside the headers (a copy at offset 0x1A0, in no section, so RVA = position); "
       "its tables still point into .edata: rows as intact",
       [](Folder&) {
         BuiltDll d = Intact();
         Bytes directory(d.bytes.begin() + d.exportDirectory, d.bytes.begin() + d.exportDirectory + 40);
         d.Put(0x1A0, directory.data(), directory.size());
         d.Put32(d.ntHeaders + kExportDirAt, 0x1A0);
         return d.bytes;
       },
       // The estimator finds the directory through its own image, where the headers lie at RVA 0 too.
       {kIntactRows}},

      // --- NumberOfNames ------------------------------------------------------
      {"NumberOfNames 0: the walk runs, no rows, the count 0 is written",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.exportDirectory + kExpNumberOfNames, 0);
         return d.bytes;
       },
       {""}},
      {"NumberOfNames 1: only the first name",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.exportDirectory + kExpNumberOfNames, 1);
         return d.bytes;
       },
       {"0001\tRet8\t2\t00001000\t00000200\n"}},
      {"NumberOfNames 0x7FFFFFFF: bounded by what the file can hold, size / 4 = 384 rows; the first three "
       "are the real ones",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.exportDirectory + kExpNumberOfNames, 0x7FFFFFFF);
         return d.bytes;
       },
       {kIntactRows, true, 0x600 / 4}},
      {"NumberOfNames 0x7FFFFFFF and the names overwritten with 'A' to the end of the file: each name "
       "runs to the end (430, 425, 421 bytes); the table's later entries point past the end, so row 4 "
       "keeps the name before it, cut to the 260 bytes left of the file's size (1,536) for all names "
       "together, and every later row shows an empty name",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.exportDirectory + kExpNumberOfNames, 0x7FFFFFFF);
         std::fill(d.bytes.begin() + NameOffset(d, 0), d.bytes.end(), 'A');
         return d.bytes;
       },
       {"", true, 0x600 / 4, [](const RecordingView& view) {
          const size_t lengths[] = {430, 425, 421, 260, 0, 0};
          size_t total = 0;
          for (size_t i = 0; i < view.rows.size(); ++i) {
            if (i < std::size(lengths)) EXPECT_EQ(view.rows[i].name, std::string(lengths[i], 'A')) << i;
            total += view.rows[i].name.size();
          }
          EXPECT_EQ(total, 0x600u);
        }}},
      {"NumberOfNames 0x80000000 (negative): no rows, the count 0 is written",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.exportDirectory + kExpNumberOfNames, 0x80000000);
         return d.bytes;
       },
       {""}},

      // --- Ordinal indexes ----------------------------------------------------
      {"ordinal index 0xFFFF on the second name: shown as 10000; its address-table entry lies past the end, "
       "so the RVA read fails and keeps the first row's; the loader finds no address (index >= "
       "NumberOfFunctions): 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put16(d.ordinalTable + 2, 0xFFFF);
         return d.bytes;
       },
       {"0001\tRet8\t2\t00001000\t00000200\n"
        "10000\tRet\t0\t00001000\t00000200\n"
        "0003\tTwelve\t3\t00001020\t00000220\n"}},
      {"ordinal index 3 = NumberOfFunctions: read from just past the address table, which is the first "
       "name-table entry (the RVA of \"Ret8\", 0x2052, at file offset 0x452); the loader finds no address: 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put16(d.ordinalTable + 2, 3);
         return d.bytes;
       },
       {"0001\tRet8\t2\t00001000\t00000200\n"
        "0004\tRet\t0\t00002052\t00000452\n"
        "0003\tTwelve\t3\t00001020\t00000220\n"}},

      // --- Names --------------------------------------------------------------
      {"a name RVA at the last byte of the file (0x5FF, in no section, so also its position), which holds "
       "'Z': the name is \"Z\", cut by the end of the file; the image has no such name there: 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.bytes.back() = 'Z';
         d.Put32(d.nameTable + 4, static_cast<uint32_t>(d.bytes.size()) - 1);
         return d.bytes;
       },
       {"0001\tRet8\t2\t00001000\t00000200\n"
        "0002\tZ\t0\t00001010\t00000210\n"
        "0003\tTwelve\t3\t00001020\t00000220\n"}},
      {"a name RVA just past the end of the file: the text read fails and the name of the row before is "
       "kept; its estimate is that name's",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put32(d.nameTable + 4, static_cast<uint32_t>(d.bytes.size()));
         return d.bytes;
       },
       {"0001\tRet8\t2\t00001000\t00000200\n"
        "0002\tRet8\t2\t00001010\t00000210\n"
        "0003\tTwelve\t3\t00001020\t00000220\n"}},
      {"the last name without a terminating zero: the file is 'A' from there to its end, so the name runs "
       "to the end of the file (0x600 - 0x45B bytes); in the image .edata ends at its virtual size, so "
       "the loader sees another name: 0",
       [](Folder&) {
         BuiltDll d = Intact();
         std::fill(d.bytes.begin() + NameOffset(d, 2), d.bytes.end(), 'A');
         return d.bytes;
       },
       {"0001\tRet8\t2\t00001000\t00000200\n"
        "0002\tRet\t0\t00001010\t00000210\n"
        "0003\t" + std::string(0x600 - 0x45B, 'A') + "\t0\t00001020\t00000220\n"}},

      {"a name of 70,000 bytes: shown cut to 64 KiB; the loader's view cuts it at the same length, so it "
       "is still found and estimated",
       [](Folder&) { return SimpleDll({{std::string(70000, 'N'), kRet8}}).bytes; },
       {"0001\t" + std::string(64 * 1024, 'N') + "\t2\t00001000\t00000200\n"}},
      {"65,537 names in a sorted table, all of the first function (aliases: more names than 16-bit "
       "ordinals give functions): every row is listed and estimated",
       [](Folder&) { return AliasesOfOneFunction(false); },
       {"", true, 65537, [](const RecordingView& view) {
          EXPECT_EQ(view.rows[0].args, "2");
          EXPECT_EQ(view.rows[65535].args, "2");
          EXPECT_EQ(view.rows[65536].name, "n065536");
          EXPECT_EQ(view.rows[65536].args, "2");
        }}},
      {"the same 65,537 names in descending order, a table no linker writes: only the first 65,536 "
       "entries are indexed for lookups, so the last row's estimate is 0",
       [](Folder&) { return AliasesOfOneFunction(true); },
       {"", true, 65537, [](const RecordingView& view) {
          EXPECT_EQ(view.rows[0].args, "2");
          EXPECT_EQ(view.rows[65535].args, "2");
          EXPECT_EQ(view.rows[65536].name, "n000000");
          EXPECT_EQ(view.rows[65536].args, "0");
        }}},

      // --- Code at the end of the image ---------------------------------------
      {"a function whose retn ends at the image's last byte (SizeOfImage cut just after it, the file "
       "going on with nops): the window ends there, the retn is its last line and has no CR LF: 0",
       [](Folder&) { return RetnNearImageEnd(5); },
       {"0001\tRet8\t0\t000021F0\t000005F0\n"
        "0002\tRet\t0\t00001010\t00000210\n"
        "0003\tTwelve\t3\t00001020\t00000220\n"}},
      {"the same function with one more byte of image: a nop line follows the retn: 2",
       [](Folder&) { return RetnNearImageEnd(6); },
       {"0001\tRet8\t2\t000021F0\t000005F0\n"
        "0002\tRet\t0\t00001010\t00000210\n"
        "0003\tTwelve\t3\t00001020\t00000220\n"}},

      // --- Forwarders ---------------------------------------------------------
      {"forwarders to a missing DLL, to the file itself (fixture.Own: estimated there), to themselves "
       "(a cycle of one), and a cycle of two DLLs (a.Loop -> b.Loop -> a.Loop): 0 except the one that "
       "reaches code",
       [](Folder& folder) {
         const Bytes listed = BuildDll(Forwarding({{"Own", ""},
                                                   {"Missing", "nowhere.Func"},
                                                   {"ToOwn", "fixture.Own"},
                                                   {"Self", "fixture.Self"},
                                                   {"Cycle", "a.Loop"},
                                                   {"ToA", "A.Func"}}))
                                  .bytes;
         folder["fixture.dll"] = listed;
         folder["a.dll"] = BuildDll(Forwarding({{"Func", ""}, {"Loop", "b.Loop"}})).bytes;
         folder["b.dll"] = BuildDll(Forwarding({{"Loop", "a.Loop"}})).bytes;
         return listed;
       },
       // A forwarder's RVA is that of its text in .edata, after the 100 bytes of tables and "fixture.dll".
       {"0001\tOwn\t3\t00001000\t00000200\n"
        "0002\tMissing\t0\t00002070\t00000470\n"
        "0003\tToOwn\t3\t0000207D\t0000047D\n"
        "0004\tSelf\t0\t00002089\t00000489\n"
        "0005\tCycle\t0\t00002096\t00000496\n"
        "0006\tToA\t3\t0000209D\t0000049D\n"}},

      // --- Other machines -----------------------------------------------------
      {"a PE32 layout with machine AMD64: listed as usual, but the loader would refuse the module, so "
       "every estimate is 0",
       [](Folder&) {
         BuiltDll d = Intact();
         d.Put16(d.ntHeaders + kMachineAt, 0x8664);
         return d.bytes;
       },
       {"0001\tRet8\t0\t00001000\t00000200\n"
        "0002\tRet\t0\t00001010\t00000210\n"
        "0003\tTwelve\t0\t00001020\t00000220\n"}},
      {"a PE32+ (64-bit) file read with the PE32 layout: where PE32 has the export entry, PE32+ has "
       "SizeOfHeapCommit (0x1000 in its low half, 0 above), so the export size reads 0 and nothing is listed",
       [](Folder&) {
         BuiltDll d = Intact();
         const uint32_t optional = d.ntHeaders + 24;
         d.Put16(d.ntHeaders + kMachineAt, 0x8664);
         d.Put16(d.ntHeaders + 20, 240);  // SizeOfOptionalHeader of PE32+
         d.Put16(optional, 0x20B);        // PE32+
         // PE32+ fields from offset 24 on: ImageBase is 64 bits, BaseOfData is gone.
         d.Put32(optional + 24, 0x80000000);
         d.Put32(optional + 28, 0x00000001);
         d.Put32(optional + 72, 0x100000);  // SizeOfStackReserve (64 bits)
         d.Put32(optional + 76, 0);
         d.Put32(optional + 80, 0x1000);  // SizeOfStackCommit
         d.Put32(optional + 84, 0);
         d.Put32(optional + 88, 0x100000);  // SizeOfHeapReserve
         d.Put32(optional + 92, 0);
         d.Put32(optional + 96, 0x1000);  // SizeOfHeapCommit: PE32's export entry
         d.Put32(optional + 100, 0);
         d.Put32(optional + 104, 0);   // LoaderFlags
         d.Put32(optional + 108, 16);  // NumberOfRvaAndSizes
         d.Put32(optional + 112, d.edataRva);  // the real export entry, 16 bytes further on
         d.Put32(optional + 116, 98);
         return d.bytes;
       },
       {"", false}},
  };
}

// Each case must take well under a second; instrumented builds run several
// times slower, so they get a looser budget (the plain build checks the real one).
#if defined(__SANITIZE_ADDRESS__)
constexpr auto kCaseBudget = std::chrono::milliseconds(2000);
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr auto kCaseBudget = std::chrono::milliseconds(2000);
#else
constexpr auto kCaseBudget = std::chrono::milliseconds(500);
#endif
#else
constexpr auto kCaseBudget = std::chrono::milliseconds(500);
#endif

TEST(MalformedFiles, EachDamageGivesItsRowsQuicklyAndSafely) {
  for (const MalformedCase& c : Cases()) {
    SCOPED_TRACE(c.what);
    Folder folder;
    const Bytes bytes = c.make(folder);
    const auto started = std::chrono::steady_clock::now();
    const RecordingView view = ListWithFolder(bytes, folder);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_LT(elapsed, kCaseBudget);
    EXPECT_TRUE(view.errors.empty());
    EXPECT_EQ(view.clears, 1);
    if (c.expected.check) c.expected.check(view);
    if (c.expected.rowCount != SIZE_MAX) {
      EXPECT_EQ(view.rows.size(), c.expected.rowCount);
      if (!c.expected.check) EXPECT_EQ(FirstRows(view, 3), c.expected.rows);
    } else {
      EXPECT_EQ(view.Tsv(), c.expected.rows);
    }
    if (c.expected.walked) {
      EXPECT_EQ(view.status.at(3), std::to_string(view.rows.size()));
    } else {
      EXPECT_EQ(view.status.count(3), 0u) << "the count is written only after a walk";
    }
  }
}

// Inputs that are not a PE file at all, from disk as the program meets them.
TEST(MalformedFiles, NonPeInputsFromDisk) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kestrivo-malformed-test";
  std::filesystem::create_directories(folder);
  auto write = [&folder](const std::string& name, const Bytes& bytes) {
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
    return (folder / name).string();
  };
  Bytes mz(64, 0);
  mz[0] = 'M';
  mz[1] = 'Z';
  const std::string text = "LIBRARY fixture\r\nEXPORTS\r\n  Ret8\r\n";
  struct Case {
    std::string what, path;
    bool opens;  // false: the message, once; true: silently nothing
  } cases[] = {
      {"a missing file", (folder / "missing.dll").string(), false},
      {"a folder", folder.string(), false},
      {"an empty path", "", false},
      {"a text file", write("exports.def", Bytes(text.begin(), text.end())), true},
      {"an empty file", write("empty.dll", {}), true},
      {"a 64-byte \"MZ\" file: the NT headers read comes back short", write("mz64.dll", mz), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto started = std::chrono::steady_clock::now();
    RecordingView view;
    ImageState state;
    ListExports(c.path, view, state);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.clears, 1);
    EXPECT_TRUE(view.status.empty());
    if (c.opens) EXPECT_TRUE(view.errors.empty());
    else EXPECT_EQ(view.errors, std::vector<std::string>{kCannotReadFile});
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kestrivo::test
