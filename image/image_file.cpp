#include "image/image_file.h"

#include <algorithm>
#include <cstring>

namespace kestrivo {

ImageFile ImageFile::Open(const std::string& path) { return FromMap(FileMap::Open(path)); }

ImageFile ImageFile::FromMap(std::shared_ptr<const FileMap> map) {
  ImageFile file;
  if (map == nullptr) return file;
  file.bytes_ = map->Bytes();
  file.map_ = std::move(map);
  return file;
}

bool ImageFile::Seek(int32_t position) {
  if (position < 0) return false;
  position_ = static_cast<uint64_t>(position);
  return true;
}

size_t ImageFile::ReadBytes(void* out, size_t n) {
  if (position_ >= bytes_.size()) return 0;
  size_t count = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - position_));
  if (count > 0) std::memcpy(out, bytes_.data() + position_, count);
  position_ += count;
  return count;
}

bool ImageFile::ReadWord(uint16_t& target) {
  uint8_t b[2];
  if (position_ >= bytes_.size() || bytes_.size() - position_ < 2) return false;
  ReadBytes(b, 2);
  target = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool ImageFile::ReadDword(int32_t& target) {
  uint8_t b[4];
  if (position_ >= bytes_.size() || bytes_.size() - position_ < 4) return false;
  ReadBytes(b, 4);
  target = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
  return true;
}

bool ImageFile::ReadText(std::string& target, size_t maxLength) {
  if (position_ >= bytes_.size()) return false;
  const uint8_t* begin = bytes_.data() + position_;
  size_t available = static_cast<size_t>(std::min<uint64_t>(bytes_.size() - position_, maxLength));
  const void* zero = std::memchr(begin, 0, available);
  size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - begin) : available;
  target.assign(reinterpret_cast<const char*>(begin), length);
  position_ += zero ? length + 1 : length;
  return true;
}

}  // namespace kestrivo
