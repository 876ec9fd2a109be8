#include "argcount/module_image.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace kestrivo {

namespace {

// The span a section occupies in memory: its virtual size, or its raw size
// when the virtual size is 0, as the loader takes it.
int64_t MemorySize(const IMAGE_SECTION_HEADER& s) {
  const int64_t virtualSize = static_cast<uint32_t>(s.Misc.VirtualSize);
  return virtualSize != 0 ? virtualSize : static_cast<uint32_t>(s.SizeOfRawData);
}

std::vector<HalfOpen> MemorySpans(const std::vector<IMAGE_SECTION_HEADER>& sections) {
  std::vector<HalfOpen> spans;
  spans.reserve(sections.size());
  for (const IMAGE_SECTION_HEADER& s : sections) {
    const int64_t start = static_cast<uint32_t>(s.VirtualAddress);
    spans.push_back({start, start + MemorySize(s)});
  }
  return spans;
}

// Copies file bytes [offset, offset + n) that exist; zeros for the rest.
void CopyFromFile(std::span<const uint8_t> file, uint64_t offset, uint8_t* out, size_t n) {
  size_t copied = 0;
  if (offset < file.size()) {
    copied = static_cast<size_t>(std::min<uint64_t>(n, file.size() - offset));
    std::memcpy(out, file.data() + offset, copied);
  }
  std::memset(out + copied, 0, n - copied);
}

}  // namespace

std::unique_ptr<ModuleImage> ModuleImage::Load(std::shared_ptr<const FileMap> file) {
  if (file == nullptr) return nullptr;
  ImageFile reader = ImageFile::FromMap(file);
  ImageState headers;
  if (!ReadImageHeaders(reader, headers)) return nullptr;
  if (headers.DosHeader.e_lfanew < 0) return nullptr;
  if (headers.NtHeaders.FileHeader.Machine != kMachineI386) return nullptr;
  return std::unique_ptr<ModuleImage>(new ModuleImage(std::move(file), std::move(headers)));
}

ModuleImage::ModuleImage(std::shared_ptr<const FileMap> file, ImageState headers)
    : file_(std::move(file)), headers_(std::move(headers)), sections_(MemorySpans(headers_.Sections)) {
  const IMAGE_DATA_DIRECTORY& dir = headers_.NtHeaders.OptionalHeader.DataDirectory[0];
  uint8_t bytes[sizeof(IMAGE_EXPORT_DIRECTORY)];
  if (dir.VirtualAddress != 0 && dir.Size != 0 &&
      Read(static_cast<uint32_t>(dir.VirtualAddress), bytes, sizeof bytes) == sizeof bytes) {
    std::memcpy(&exports_, bytes, sizeof bytes);
    hasExports_ = true;
  }
}

size_t ModuleImage::Read(uint64_t rva, uint8_t* out, size_t n) const {
  const uint64_t imageSize = headers_.NtHeaders.OptionalHeader.SizeOfImage;
  if (rva >= imageSize) return 0;
  n = static_cast<size_t>(std::min<uint64_t>(n, imageSize - rva));
  const std::span<const uint8_t> file = file_->Bytes();
  size_t done = 0;
  while (done < n) {
    const uint64_t at = rva + done;
    const FirstCover::Hit hit = sections_.Find(static_cast<int64_t>(at));
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(n - done, static_cast<uint64_t>(hit.pieceEnd) - at));
    if (hit.index >= 0) {
      const IMAGE_SECTION_HEADER& s = headers_.Sections[hit.index];
      const uint64_t inSection = at - static_cast<uint32_t>(s.VirtualAddress);
      const uint64_t rawSize = std::min<uint64_t>(static_cast<uint32_t>(s.SizeOfRawData), MemorySize(s));
      // Raw data up to its size, zeros after it.
      const size_t fromRaw = inSection < rawSize ? static_cast<size_t>(std::min<uint64_t>(chunk, rawSize - inSection)) : 0;
      CopyFromFile(file, static_cast<uint64_t>(static_cast<uint32_t>(s.PointerToRawData)) + inSection, out + done, fromRaw);
      std::memset(out + done + fromRaw, 0, chunk - fromRaw);
    } else {
      // Outside every section: the headers at the start of the image, zeros elsewhere.
      const uint64_t headerSize = headers_.NtHeaders.OptionalHeader.SizeOfHeaders;
      const size_t fromHeaders = at < headerSize ? static_cast<size_t>(std::min<uint64_t>(chunk, headerSize - at)) : 0;
      CopyFromFile(file, at, out + done, fromHeaders);
      std::memset(out + done + fromHeaders, 0, chunk - fromHeaders);
    }
    done += chunk;
  }
  return n;
}

bool ModuleImage::ReadDword(uint64_t rva, uint32_t& value) const {
  uint8_t b[4];
  if (Read(rva, b, 4) != 4) return false;
  value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
          (static_cast<uint32_t>(b[3]) << 24);
  return true;
}

std::span<const uint8_t> ModuleImage::FileBytesFrom(uint64_t rva) const {
  // The file bytes that the image shows from `rva` on without a break: the
  // rest of one section's raw data that no earlier section covers.
  const uint64_t imageSize = headers_.NtHeaders.OptionalHeader.SizeOfImage;
  if (rva >= imageSize) return {};
  const FirstCover::Hit hit = sections_.Find(static_cast<int64_t>(rva));
  if (hit.index < 0) return {};
  const IMAGE_SECTION_HEADER& s = headers_.Sections[hit.index];
  const uint64_t inSection = rva - static_cast<uint32_t>(s.VirtualAddress);
  const uint64_t rawSize = std::min<uint64_t>(static_cast<uint32_t>(s.SizeOfRawData), MemorySize(s));
  if (inSection >= rawSize) return {};
  const uint64_t length = std::min({rawSize - inSection, static_cast<uint64_t>(hit.pieceEnd) - rva, imageSize - rva});
  const uint64_t offset = static_cast<uint64_t>(static_cast<uint32_t>(s.PointerToRawData)) + inSection;
  const std::span<const uint8_t> file = file_->Bytes();
  if (offset >= file.size()) return {};
  return file.subspan(static_cast<size_t>(offset), static_cast<size_t>(std::min<uint64_t>(length, file.size() - offset)));
}

std::string_view ModuleImage::NameAt(uint64_t rva) const {
  // Almost every name lies whole, terminator included, in one section's raw
  // data: it is read in place. Any other is copied the general way.
  const std::span<const uint8_t> bytes = FileBytesFrom(rva);
  // An RVA in no section's raw data gives no bytes, and memchr must not see their null pointer.
  // Only as far as the longest name is searched: a longer one is cut there, in place.
  const size_t searched = std::min(bytes.size(), kMaxExportNameLength);
  const void* zero = searched == 0 ? nullptr : std::memchr(bytes.data(), 0, searched);
  if (zero != nullptr) {
    return {reinterpret_cast<const char*>(bytes.data()),
            static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes.data())};
  }
  if (searched == kMaxExportNameLength) return {reinterpret_cast<const char*>(bytes.data()), searched};
  return copiedNames_.emplace_back(ReadName(rva));
}

std::string ModuleImage::ReadName(uint64_t rva, size_t maxLength) const {
  std::string name;
  uint8_t chunk[256];
  for (;;) {
    const size_t got = Read(rva + name.size(), chunk, std::min(sizeof chunk, maxLength - name.size()));
    const void* zero = std::memchr(chunk, 0, got);
    if (zero != nullptr) {
      name.append(reinterpret_cast<const char*>(chunk), static_cast<const uint8_t*>(zero) - chunk);
      return name;
    }
    name.append(reinterpret_cast<const char*>(chunk), got);
    if (got < sizeof chunk || name.size() == maxLength) return name;
  }
}

ExportTarget ModuleImage::TargetOfIndex(uint32_t functionIndex) const {
  if (functionIndex >= static_cast<uint32_t>(exports_.NumberOfFunctions)) return {};
  uint32_t rva = 0;
  if (!ReadDword(static_cast<uint32_t>(exports_.AddressOfFunctions) + uint64_t{4} * functionIndex, rva) || rva == 0)
    return {};
  const IMAGE_DATA_DIRECTORY& dir = headers_.NtHeaders.OptionalHeader.DataDirectory[0];
  const uint64_t dirStart = static_cast<uint32_t>(dir.VirtualAddress);
  if (rva >= dirStart && rva < dirStart + static_cast<uint32_t>(dir.Size))
    return {ExportTarget::Forwarder, rva, ReadName(rva)};
  return {ExportTarget::Code, rva, {}};
}

uint64_t ModuleImage::NameCount() const {
  if (!hasExports_) return 0;
  // A name-table entry takes 4 bytes of the file, so no real table holds more
  // names than the file has dwords; a larger count is a hostile header.
  return std::min<uint64_t>({static_cast<uint32_t>(exports_.NumberOfNames), file_->Size() / 4, kMaxResolvedNames});
}

void ModuleImage::IndexNames() const {
  namesIndexed_ = true;
  const uint64_t count = NameCount();
  const uint64_t names = static_cast<uint32_t>(exports_.AddressOfNames);
  // An entry with the RVA of an earlier one names the same string: skipping it
  // keeps a table that repeats one long name from costing its length each time.
  // Linkers write the strings in table order, so an RVA above every earlier one
  // is new without asking the set; only the others are looked up.
  std::unordered_set<uint32_t> seenRva;
  std::vector<uint32_t> rvasSoFar;
  uint32_t highestRva = 0;
  firstNameIndex_.reserve(static_cast<size_t>(count));
  uint64_t nameBytes = 0;
  for (uint64_t i = 0; i < count && nameBytes <= kMaxIndexedNameBytes; ++i) {
    uint32_t nameRva = 0;
    if (!ReadDword(names + 4 * i, nameRva)) break;
    if (i == 0 || nameRva > highestRva) {
      highestRva = nameRva;
      if (seenRva.empty()) rvasSoFar.push_back(nameRva);
      else seenRva.insert(nameRva);
    } else {
      if (seenRva.empty()) {
        seenRva.insert(rvasSoFar.begin(), rvasSoFar.end());
        rvasSoFar = {};
      }
      if (!seenRva.insert(nameRva).second) continue;  // same string as an earlier entry
    }
    const std::string_view name = NameAt(nameRva);
    nameBytes += name.size();
    firstNameIndex_.emplace(name, static_cast<uint32_t>(i));
  }
}

bool ModuleImage::InSortedRun(uint64_t nameIndex) const {
  // Entries are checked one after the other, as the listing asks for them, and
  // only the last name is kept, so a table of any length costs no memory here.
  const uint64_t count =
      hasExports_ ? std::min<uint64_t>(static_cast<uint32_t>(exports_.NumberOfNames), file_->Size() / 4) : 0;
  const uint64_t names = static_cast<uint32_t>(exports_.AddressOfNames);
  while (!sortedRunEnded_ && sortedRunLength_ <= nameIndex) {
    uint32_t nameRva = 0;
    // Strings laid out in table order too: a table that points back (or
    // repeats a string) is left to the full index.
    if (sortedRunLength_ >= count || sortedRunNameBytes_ > kMaxIndexedNameBytes ||
        !ReadDword(names + 4 * sortedRunLength_, nameRva) || (sortedRunLength_ > 0 && nameRva <= sortedRunLastRva_)) {
      sortedRunEnded_ = true;
      break;
    }
    const std::string_view name = NameAt(nameRva);
    if (sortedRunLength_ > 0 && !(sortedRunLastName_ < name)) {
      sortedRunEnded_ = true;
      break;
    }
    sortedRunLastName_ = name;
    sortedRunLastRva_ = nameRva;
    sortedRunNameBytes_ += name.size();
    ++sortedRunLength_;
  }
  return nameIndex < sortedRunLength_;
}

ExportTarget ModuleImage::TargetOfNameIndex(uint32_t nameIndex) const {
  uint8_t b[2];
  if (Read(static_cast<uint32_t>(exports_.AddressOfNameOrdinals) + uint64_t{2} * nameIndex, b, 2) != 2) return {};
  return TargetOfIndex(static_cast<uint32_t>(b[0] | (b[1] << 8)));
}

ExportTarget ModuleImage::FindExport(const std::string& name) const {
  if (!namesIndexed_) IndexNames();
  auto it = firstNameIndex_.find(name);
  if (it == firstNameIndex_.end()) return {};
  return TargetOfNameIndex(it->second);
}

ExportTarget ModuleImage::FindExport(const std::string& name, uint32_t nameIndex) const {
  // No earlier entry of a strictly increasing run can hold the same name.
  uint32_t nameRva = 0;
  if (InSortedRun(nameIndex) && ReadDword(static_cast<uint32_t>(exports_.AddressOfNames) + uint64_t{4} * nameIndex, nameRva) &&
      NameAt(nameRva) == name)
    return TargetOfNameIndex(nameIndex);
  return FindExport(name);
}

ExportTarget ModuleImage::FindExportByOrdinal(uint32_t ordinal) const {
  if (!hasExports_) return {};
  return TargetOfIndex(ordinal - static_cast<uint32_t>(exports_.Base));
}

}  // namespace kestrivo
