#pragma once
// A PE32 file laid out as the Windows loader lays out an image (headers, then
// each section's raw data at its VirtualAddress, zero-filled to its virtual
// size, readable up to SizeOfImage), read straight from the file on demand.
// Nothing is loaded, relocated or run, and nothing is allocated in proportion
// to the sizes the headers claim.

#include <cstdint>
#include <memory>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "argcount/code_memory.h"
#include "image/file_map.h"
#include "image/first_cover.h"
#include "image/image_state.h"

namespace kestrivo {

// Where an export leads, as the loader resolves it.
struct ExportTarget {
  enum Kind { None, Code, Forwarder } kind = None;
  uint32_t rva = 0;       // Code: the function's RVA
  std::string forwarder;  // Forwarder: "OTHER.Name" or "OTHER.#12"
};

// The loader's view of a name table is bounded here so that a hostile one stays
// cheap. A sorted table (every linker writes one: the loader's binary search
// needs it) is checked entry by entry and answers for any number of names.
// Only an unsorted one needs an index of all names, and that index holds at
// most its first kMaxResolvedNames entries. Either way the names read for
// lookups hold at most kMaxIndexedNameBytes together (a real DLL's names hold
// a few hundred KiB).
constexpr uint32_t kMaxResolvedNames = 65536;
constexpr uint64_t kMaxIndexedNameBytes = 32u << 20;

class ModuleImage final : public CodeMemory {
 public:
  // Null when the loader would refuse the file: no "MZ"/"PE", or a machine other than i386.
  static std::unique_ptr<ModuleImage> Load(std::shared_ptr<const FileMap> file);

  size_t Read(uint64_t rva, uint8_t* out, size_t n) const override;
  uint32_t ImageBase() const override { return headers_.NtHeaders.OptionalHeader.ImageBase; }

  // The first entry of the name table with this name.
  ExportTarget FindExport(const std::string& name) const;
  // The same answer, for a name that the caller read from entry `nameIndex` of
  // the name table: in a sorted table that entry is the first with its name,
  // so the answer needs no index of all names.
  ExportTarget FindExport(const std::string& name, uint32_t nameIndex) const;
  // GetProcAddress by ordinal: the index is ordinal - Base.
  ExportTarget FindExportByOrdinal(uint32_t ordinal) const;

 private:
  ModuleImage(std::shared_ptr<const FileMap> file, ImageState headers);
  bool ReadDword(uint64_t rva, uint32_t& value) const;
  std::span<const uint8_t> FileBytesFrom(uint64_t rva) const;
  std::string ReadName(uint64_t rva, size_t maxLength = kMaxExportNameLength) const;
  std::string_view NameAt(uint64_t rva) const;
  ExportTarget TargetOfIndex(uint32_t functionIndex) const;
  ExportTarget TargetOfNameIndex(uint32_t nameIndex) const;
  uint64_t NameCount() const;
  void IndexNames() const;
  bool InSortedRun(uint64_t nameIndex) const;

  std::shared_ptr<const FileMap> file_;
  ImageState headers_;
  FirstCover sections_;  // which section's data lies at an RVA
  IMAGE_EXPORT_DIRECTORY exports_{};
  bool hasExports_ = false;
  mutable bool namesIndexed_ = false;
  // Names point into the mapped file; the few that cannot are kept in copiedNames_.
  mutable std::deque<std::string> copiedNames_;
  mutable std::unordered_map<std::string_view, uint32_t> firstNameIndex_;
  // How many leading entries of the name table are in strictly increasing
  // order (all of them in a well-formed DLL), each the first with its name.
  mutable uint64_t sortedRunLength_ = 0;
  mutable bool sortedRunEnded_ = false;
  mutable std::string_view sortedRunLastName_;
  mutable uint32_t sortedRunLastRva_ = 0;
  mutable uint64_t sortedRunNameBytes_ = 0;
};

}  // namespace kestrivo
