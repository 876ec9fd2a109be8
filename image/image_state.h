#pragma once
// The headers of a PE32 image as read from its file: DOS header, NT headers and
// section table, with the Windows SDK's structure and field names. Every file is
// read with the 32-bit layout; nothing here loads or runs the image.

#include <bit>
#include <cstdint>
#include <vector>

#include "image/first_cover.h"
#include "image/image_file.h"

namespace kestrivo {

static_assert(std::endian::native == std::endian::little,
              "headers are copied byte for byte from little-endian files");

#pragma pack(push, 1)
struct IMAGE_DOS_HEADER {
  uint16_t e_magic, e_cblp, e_cp, e_crlc, e_cparhdr, e_minalloc, e_maxalloc, e_ss, e_sp, e_csum, e_ip, e_cs,
      e_lfarlc, e_ovno;
  uint16_t e_res[4];
  uint16_t e_oemid, e_oeminfo;
  uint16_t e_res2[10];
  int32_t e_lfanew;
};

struct IMAGE_FILE_HEADER {
  uint16_t Machine;
  uint16_t NumberOfSections;
  uint32_t TimeDateStamp, PointerToSymbolTable, NumberOfSymbols;
  uint16_t SizeOfOptionalHeader, Characteristics;
};

struct IMAGE_DATA_DIRECTORY {
  int32_t VirtualAddress;
  int32_t Size;
};

struct IMAGE_OPTIONAL_HEADER32 {
  uint16_t Magic;
  uint8_t MajorLinkerVersion, MinorLinkerVersion;
  uint32_t SizeOfCode, SizeOfInitializedData, SizeOfUninitializedData, AddressOfEntryPoint, BaseOfCode, BaseOfData,
      ImageBase, SectionAlignment, FileAlignment;
  uint16_t MajorOperatingSystemVersion, MinorOperatingSystemVersion, MajorImageVersion, MinorImageVersion,
      MajorSubsystemVersion, MinorSubsystemVersion;
  uint32_t Win32VersionValue, SizeOfImage, SizeOfHeaders, CheckSum;
  uint16_t Subsystem, DllCharacteristics;
  uint32_t SizeOfStackReserve, SizeOfStackCommit, SizeOfHeapReserve, SizeOfHeapCommit, LoaderFlags,
      NumberOfRvaAndSizes;
  IMAGE_DATA_DIRECTORY DataDirectory[16];
};

struct IMAGE_NT_HEADERS32 {
  uint32_t Signature;
  IMAGE_FILE_HEADER FileHeader;
  IMAGE_OPTIONAL_HEADER32 OptionalHeader;
};

struct IMAGE_SECTION_HEADER {
  uint8_t Name[8];
  union {
    int32_t PhysicalAddress;
    int32_t VirtualSize;
  } Misc;
  int32_t VirtualAddress;
  int32_t SizeOfRawData;
  int32_t PointerToRawData;
  int32_t PointerToRelocations, PointerToLinenumbers;
  uint16_t NumberOfRelocations, NumberOfLinenumbers;
  uint32_t Characteristics;
};

struct IMAGE_EXPORT_DIRECTORY {
  uint32_t Characteristics, TimeDateStamp;
  uint16_t MajorVersion, MinorVersion;
  int32_t Name;
  int32_t Base;
  int32_t NumberOfFunctions;
  int32_t NumberOfNames;
  int32_t AddressOfFunctions;
  int32_t AddressOfNames;
  int32_t AddressOfNameOrdinals;
};
#pragma pack(pop)

static_assert(sizeof(IMAGE_DOS_HEADER) == 64);
static_assert(sizeof(IMAGE_NT_HEADERS32) == 248);
static_assert(sizeof(IMAGE_SECTION_HEADER) == 40);
static_assert(sizeof(IMAGE_EXPORT_DIRECTORY) == 40);

constexpr uint16_t kDosMagic = 0x5A4D;     // "MZ"
constexpr uint32_t kNtSignature = 0x4550;  // "PE\0\0"
constexpr uint16_t kMachineI386 = 0x14C;

// The longest export name the engine reads: no linker writes one anywhere near
// this long (MSVC stops decorated names at 4 KiB), while a hostile file can make
// every name run on through megabytes without a terminating zero.
constexpr size_t kMaxExportNameLength = 64 * 1024;

// The headers of the file read last. Refilled in place by every ReadImageHeaders;
// nothing is cleared between files.
struct ImageState {
  IMAGE_DOS_HEADER DosHeader{};
  IMAGE_NT_HEADERS32 NtHeaders{};
  std::vector<IMAGE_SECTION_HEADER> Sections;
};

// Reads DOS header, NT headers (at e_lfanew) and the section table (always 248
// bytes after the NT headers' start) of `file`, whose position is 0. True only
// when all three were read in full and "MZ" and "PE" matched.
bool ReadImageHeaders(ImageFile& file, ImageState& state);

// VirtualAddress - PointerToRawData of the first section, in table order, whose
// [VirtualAddress, VirtualAddress + Misc.VirtualSize] holds `rva` (both bounds
// inclusive); 0 when none does. The file position of an RVA is rva - delta.
int32_t RvaDelta(const ImageState& state, int32_t rva);

// The same answers as RvaDelta, from an index built once, so that a listing
// with many names over a large section table stays linear.
class RvaDeltaIndex {
 public:
  explicit RvaDeltaIndex(const std::vector<IMAGE_SECTION_HEADER>& sections);
  int32_t Delta(int32_t rva) const;

 private:
  std::vector<int32_t> deltas_;  // per section
  FirstCover cover_;
};

}  // namespace kestrivo
