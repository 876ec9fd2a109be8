#include "image/image_state.h"

#include <algorithm>
#include <cstring>

namespace kestrivo {

bool ReadImageHeaders(ImageFile& file, ImageState& state) {
  uint8_t dos[sizeof(IMAGE_DOS_HEADER)];
  if (file.ReadBytes(dos, sizeof dos) < sizeof dos) return false;
  std::memcpy(&state.DosHeader, dos, sizeof dos);
  if (state.DosHeader.e_magic != kDosMagic) return false;

  // A negative e_lfanew fails the seek; the NT headers are then read from
  // wherever the position is (just after the DOS header) and tested there.
  const int32_t lfanew = state.DosHeader.e_lfanew;
  file.Seek(lfanew);
  uint8_t nt[sizeof(IMAGE_NT_HEADERS32)];
  if (file.ReadBytes(nt, sizeof nt) < sizeof nt) return false;
  std::memcpy(&state.NtHeaders, nt, sizeof nt);
  if (state.NtHeaders.Signature != kNtSignature) return false;

  // The section table is read for every file that passed the "PE" test, also
  // one without an import directory: forwarder-only and resource DLLs list too.
  const size_t count = state.NtHeaders.FileHeader.NumberOfSections;
  state.Sections.assign(count, IMAGE_SECTION_HEADER{});
  file.Seek(static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(lfanew) + 248)));
  const size_t want = count * sizeof(IMAGE_SECTION_HEADER);
  if (want == 0) return true;
  // A short read fails the step and leaves the table zeroed.
  std::vector<uint8_t> bytes(want);
  if (file.ReadBytes(bytes.data(), want) < want) return false;
  std::memcpy(state.Sections.data(), bytes.data(), want);
  return true;
}

int32_t RvaDelta(const ImageState& state, int32_t rva) {
  for (const IMAGE_SECTION_HEADER& s : state.Sections) {
    const int64_t start = s.VirtualAddress;
    if (rva < start) continue;
    if (rva > start + s.Misc.VirtualSize) continue;
    return static_cast<int32_t>(static_cast<uint32_t>(start - s.PointerToRawData));
  }
  return 0;
}

static std::vector<HalfOpen> InclusiveSpans(const std::vector<IMAGE_SECTION_HEADER>& sections) {
  std::vector<HalfOpen> spans;
  spans.reserve(sections.size());
  for (const IMAGE_SECTION_HEADER& s : sections) {
    const int64_t start = s.VirtualAddress;
    spans.push_back({start, start + s.Misc.VirtualSize + 1});  // the end bound is inclusive
  }
  return spans;
}

RvaDeltaIndex::RvaDeltaIndex(const std::vector<IMAGE_SECTION_HEADER>& sections)
    : cover_(InclusiveSpans(sections)) {
  deltas_.reserve(sections.size());
  for (const IMAGE_SECTION_HEADER& s : sections)
    deltas_.push_back(static_cast<int32_t>(static_cast<uint32_t>(int64_t{s.VirtualAddress} - s.PointerToRawData)));
}

int32_t RvaDeltaIndex::Delta(int32_t rva) const {
  const int32_t k = cover_.Find(rva).index;
  return k < 0 ? 0 : deltas_[k];
}

}  // namespace kestrivo
