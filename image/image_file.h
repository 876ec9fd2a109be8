#pragma once
// The one bounded reader through which every byte of an inspected file is read.
// Reads never go past the end of the file; a failed word or dword read leaves
// its target and the position as they were.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/file_map.h"

namespace kestrivo {

class ImageFile {
 public:
  // Opens the file at `path` (UTF-8) read-only. An ImageFile that is not open
  // (IsOpen() false) stands for "no file".
  static ImageFile Open(const std::string& path);
  static ImageFile FromMap(std::shared_ptr<const FileMap> map);

  bool IsOpen() const { return map_ != nullptr; }
  void Close() { map_.reset(); bytes_ = {}; position_ = 0; }

  // Accepts any position from 0 up, also past the end; a negative one fails
  // and leaves the position where it was.
  bool Seek(int32_t position);
  // Copies up to `n` bytes at the position into `out` and advances by the count
  // copied, which is smaller at the end of the file.
  size_t ReadBytes(void* out, size_t n);
  bool ReadWord(uint16_t& target);
  bool ReadDword(int32_t& target);
  // Reads a zero-terminated string; the end of the file also ends it, and so
  // does `maxLength` (0 gives the empty text). Fails, keeping `target` and
  // the position, when the position is at or past the end of the file.
  bool ReadText(std::string& target, size_t maxLength = SIZE_MAX);

  uint64_t Position() const { return position_; }
  uint64_t Size() const { return bytes_.size(); }
  std::span<const uint8_t> Bytes() const { return bytes_; }
  const std::shared_ptr<const FileMap>& Map() const { return map_; }

 private:
  std::shared_ptr<const FileMap> map_;
  std::span<const uint8_t> bytes_;
  uint64_t position_ = 0;
};

}  // namespace kestrivo
