#pragma once
// Read access to the memory of a laid-out module image, addressed by RVA.
// Memory past the image's readable end cannot be read. Readable memory is one
// stretch from RVA 0: where a read gives nothing, no later RVA can be read
// either (the window search relies on this to stop early).

#include <cstddef>
#include <cstdint>

namespace kestrivo {

class CodeMemory {
 public:
  virtual ~CodeMemory() = default;
  // Copies up to `n` bytes starting at `rva` into `out`; returns how many could
  // be read (fewer, or none, where readable memory ends).
  virtual size_t Read(uint64_t rva, uint8_t* out, size_t n) const = 0;
  // Where the image is taken to lie, so branch targets print as real addresses.
  virtual uint32_t ImageBase() const = 0;
};

}  // namespace kestrivo
