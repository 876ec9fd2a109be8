#pragma once
// From a function's code to the number of 4-byte arguments it pops: windows of
// 100 bytes from its address, the first "ret" line decides, "retn XXXXh" / 4.

#include <cstdint>

#include "argcount/code_memory.h"

namespace kestrivo {

constexpr int32_t kWindowLength = 100;

// The estimate as the text algorithm defines it: DisassembleRange windows at
// rva, rva+100, ...; stops with 0 once the offset passes `sizeBound`.
int32_t StackArgsFromCodeText(const CodeMemory& memory, uint64_t rva, int64_t sizeBound);

// The same result, decoding only as far as the result depends on.
int32_t StackArgsFromCode(const CodeMemory& memory, uint64_t rva, int64_t sizeBound);

}  // namespace kestrivo
