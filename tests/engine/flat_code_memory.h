#pragma once
// Test memory: a flat run of bytes from RVA 0; nothing past its end is readable.

#include <algorithm>
#include <cstring>
#include <vector>

#include "argcount/code_memory.h"

namespace kestrivo {

class FlatCodeMemory : public CodeMemory {
 public:
  explicit FlatCodeMemory(std::vector<uint8_t> bytes, uint32_t imageBase = 0x10001000)
      : bytes_(std::move(bytes)), imageBase_(imageBase) {}

  size_t Read(uint64_t rva, uint8_t* out, size_t n) const override {
    if (rva >= bytes_.size()) return 0;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - rva));
    std::memcpy(out, bytes_.data() + rva, count);
    return count;
  }
  uint32_t ImageBase() const override { return imageBase_; }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t imageBase_;
};

}  // namespace kestrivo
