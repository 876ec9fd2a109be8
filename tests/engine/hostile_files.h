#pragma once
// Hostile PE32 files of 64 MiB, each the worst this project knows for one part
// of the engine: built in memory by the bounds test (and by fuzz/make_hostile
// for measuring by hand), never stored.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "pe_fixture.h"

namespace kestrivo::test::hostile {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kFileSize = 64u << 20;
constexpr uint32_t kSectionRva = 0x1000;  // one section maps file offset = RVA from here to the end
constexpr uint32_t kDirectory = 0x1000;   // the export directory, at the start of the section

// A PE32 DLL of `size` bytes whose one section maps file offset = RVA over the
// whole file after the headers, so that the listing and the loader-style image
// see the same bytes. The export directory stands at RVA 0x1000; `numberOfNames`
// and the table RVAs are the caller's.
struct Hostile {
  Bytes bytes;
  uint32_t ntHeaders = 0x40;

  explicit Hostile(uint32_t size = kFileSize, uint16_t sections = 1) : bytes(size, 0) {
    Put16(0, 0x5A4D);
    Put32(60, ntHeaders);
    Put32(ntHeaders, 0x4550);
    Put16(ntHeaders + kMachineAt, 0x14C);
    Put16(ntHeaders + kNumberOfSectionsAt, sections);
    Put16(ntHeaders + 20, 224);
    Put16(ntHeaders + 24, 0x10B);
    Put32(ntHeaders + kImageBaseAt, 0x10000000);
    Put32(ntHeaders + kSizeOfImageAt, size);
    Put32(ntHeaders + kSizeOfHeadersAt, 0x400);
    Put32(ntHeaders + kExportDirAt, kDirectory);
    Put32(ntHeaders + kExportSizeAt, 40);
    const uint32_t table = ntHeaders + 248;
    Put32(table + 8, size - kSectionRva);   // VirtualSize
    Put32(table + 12, kSectionRva);         // VirtualAddress
    Put32(table + 16, size - kSectionRva);  // SizeOfRawData
    Put32(table + 20, kSectionRva);         // PointerToRawData
    Put32(kDirectory + kExpName, kDirectory);
    Put32(kDirectory + kExpNumberOfFunctions, 0x7FFFFFFF);
  }
  void Tables(uint32_t numberOfNames, uint32_t functions, uint32_t names, uint32_t ordinals) {
    Put32(kDirectory + kExpNumberOfNames, numberOfNames);
    Put32(kDirectory + kExpAddressOfFunctions, functions);
    Put32(kDirectory + kExpAddressOfNames, names);
    Put32(kDirectory + kExpAddressOfNameOrdinals, ordinals);
  }
  void Put16(size_t at, uint16_t v) { std::memcpy(bytes.data() + at, &v, 2); }
  void Put32(size_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
};

constexpr uint32_t kTables = 0x2000;  // where the cases put their tables

// A dword whose four bytes are all non-zero, near `rva` (at most 3 bytes on).
uint32_t ZeroFreeNear(uint32_t rva) {
  for (;; ++rva) {
    if ((rva & 0xFF) && (rva & 0xFF00) && (rva & 0xFF0000) && (rva & 0xFF000000)) return rva;
  }
}

// Lays out `count` distinct names in name-table order ("f000000", "f000001", ...)
// with ordinal index i for name i; returns the RVA of the address table (left
// for the caller to fill).
uint32_t LayOutNames(Hostile& h, uint32_t count) {
  const uint32_t nameTable = kTables, ordinals = nameTable + 4 * count, functions = ordinals + 2 * count;
  uint32_t at = functions + 4 * count;
  h.Tables(count, functions, nameTable, ordinals);
  h.Put32(kDirectory + kExpNumberOfFunctions, count);
  for (uint32_t i = 0; i < count; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%06u", i);
    h.Put32(nameTable + 4 * i, at);
    h.Put16(ordinals + 2 * i, static_cast<uint16_t>(i));
    std::memcpy(h.bytes.data() + at, name, 8);
    at += 8;
  }
  return functions;
}

// 65,536 named functions 7 bytes apart from 0x01000000 on, in code that is
// `pattern` over and over up to the end of the file.
Bytes FunctionsInRepeatedCode(const std::vector<uint8_t>& pattern) {
  Hostile h;
  const uint32_t names = 65536;
  const uint32_t functions = LayOutNames(h, names);
  const uint32_t code = 0x01000000;
  for (uint32_t k = 0; k < names; ++k) h.Put32(functions + 4 * k, code + 7 * k);
  for (uint32_t at = code; at + pattern.size() <= kFileSize; at += static_cast<uint32_t>(pattern.size()))
    std::memcpy(h.bytes.data() + at, pattern.data(), pattern.size());
  return h.bytes;
}

struct BoundsCase {
  const char* name;
  const char* what;
  std::function<Bytes()> make;
  // Why the bound does not hold for this case yet; empty when it does.
  const char* open = "";
};

std::vector<BoundsCase> Cases() {
  return {
      {"names-everywhere",
       "NumberOfNames = size / 4 with the three tables laid over one another on the whole file; each "
       "name-table entry points at a scrambled other entry, whose bytes are a short name: millions of "
       "distinct names in no order",
       [] {
         Hostile h;
         const uint32_t first = kTables, count = (kFileSize - kTables) / 4;
         h.Tables(kFileSize / 4, first, first, first);
         for (uint32_t i = 0; i < count; ++i) {
           const uint32_t target = static_cast<uint32_t>((uint64_t{i} * 2654435761u) % count);
           h.Put32(first + 4 * i, first + 4 * target);
         }
         return h.bytes;
       },
       "16.7 million rows with their tables scattered over 64 MiB: 5 to 12 s, bound by the row count (size / 4)"},
      {"endless-names",
       "no zero byte after the headers: every name-table entry points a little further into one "
       "zero-free run, so every name runs on to the end of the file (tens of MiB each)",
       [] {
         Hostile h;
         const uint32_t count = (kFileSize - kTables) / 4;
         h.Tables(kFileSize / 4, kTables, kTables, kTables);
         for (uint32_t i = 0; i < count; ++i) h.Put32(kTables + 4 * i, ZeroFreeNear(0x01010101 + 4 * i));
         // The directory itself keeps its zeros; everything after it is zero-free.
         return h.bytes;
       },
       "16.7 million rows: 2.4 to 4.3 s, bound by the row count (size / 4)"},
      {"sections-65535",
       "65,535 section headers (every one looked up for every RVA) and 500,000 names of real shape",
       [] {
         Hostile h(kFileSize, 0xFFFF);
         // The section table (2.6 MB) lies right after the NT headers: the directory moves past it.
         const uint32_t directory = 0x300000, names = 500000;
         const uint32_t nameTable = directory + 40, ordinals = nameTable + 4 * names, strings = ordinals + 2 * names;
         h.Put32(h.ntHeaders + kExportDirAt, directory);
         h.Put32(directory + kExpName, directory);
         h.Put32(directory + kExpNumberOfFunctions, 1);
         h.Put32(directory + kExpNumberOfNames, names);
         h.Put32(directory + kExpAddressOfFunctions, directory + 12);  // one entry: the Name field's RVA
         h.Put32(directory + kExpAddressOfNames, nameTable);
         h.Put32(directory + kExpAddressOfNameOrdinals, ordinals);
         // The first header maps the file 1:1; the others are empty and lie at scattered RVAs.
         for (uint32_t k = 1; k < 0xFFFF; ++k) {
           const uint32_t at = h.ntHeaders + 248 + 40 * k;
           h.Put32(at + 8, 0x100);
           h.Put32(at + 12, 0x80000000u - 0x1000 * k);
         }
         uint32_t at = strings;
         for (uint32_t i = 0; i < names; ++i) {
           h.Put32(nameTable + 4 * i, at);
           const std::string name = "Function" + std::to_string(1000000 + i);
           std::memcpy(h.bytes.data() + at, name.c_str(), name.size() + 1);
           at += static_cast<uint32_t>(name.size()) + 1;
         }
         return h.bytes;
       }},
      {"code-without-return",
       "65,536 names of 65,536 functions at distinct RVAs in 60 MiB of code that has return opcode bytes "
       "in every window but never a return (mov eax, C3C3C3C3h over and over), so every estimate would "
       "walk its windows up to the file size",
       [] { return FunctionsInRepeatedCode({0xB8, 0xC3, 0xC3, 0xC3, 0xC3}); },
       "2.9 to 5 s: the decoded-window budget is 65,536 + size / 100 windows, so that no real DLL runs out"},
      {"nop-slides",
       "65,536 functions at distinct RVAs in 60 MiB of 95 nops and a mov eax, C3C3C3C3h in every 100 "
       "bytes: the most instructions a window can hold before its last return opcode byte, and no return",
       [] {
         std::vector<uint8_t> slide(95, 0x90);
         slide.insert(slide.end(), {0xB8, 0xC3, 0xC3, 0xC3, 0xC3});
         return FunctionsInRepeatedCode(slide);
       },
       "6.3 to 11 s: the same budget, each window a slide of 95 one-byte instructions"},
      {"zero-code",
       "65,536 names of functions at distinct RVAs in 60 MiB of zero bytes (add [eax], al): no return "
       "opcode byte anywhere, again walked to the size bound",
       [] {
         Hostile h;
         const uint32_t names = 65536;
         const uint32_t functions = LayOutNames(h, names);
         for (uint32_t k = 0; k < names; ++k) h.Put32(functions + 4 * k, 0x00400000 + 13 * k);
         return h.bytes;
       }},
      {"huge-image",
       "SizeOfImage 0xFFFFFFFF and a section claiming 0x7FFFFFFF bytes of virtual and raw size",
       [] {
         Hostile h;
         h.Put32(h.ntHeaders + kSizeOfImageAt, 0xFFFFFFFF);
         h.Put32(h.ntHeaders + 248 + 8, 0x7FFFFFFF);
         h.Put32(h.ntHeaders + 248 + 16, 0x7FFFFFFF);
         const uint32_t names = 100000;
         h.Tables(names, kTables, kTables, kTables);
         for (uint32_t i = 0; i < names; ++i) h.Put32(kTables + 4 * i, 0x03000000 + 64 * i);
         return h.bytes;
       }},
  };
}

}  // namespace kestrivo::test::hostile
