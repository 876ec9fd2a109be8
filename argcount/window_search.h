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

// Work shared by the estimates of one listing (made by the estimator, which
// passes the same one for every export), so that hostile code cannot make each
// of thousands of functions walk its windows up to the size bound anew.
struct WindowSearchMemo {
  // The memory whose stretch below is known; another memory starts afresh.
  const CodeMemory* memory = nullptr;
  // No return opcode byte lies in [emptyFrom, emptyTo).
  uint64_t emptyFrom = 0, emptyTo = 0;
  // Windows that may still be decoded (the estimator sets it from the file's
  // size; libstdc++-6.dll, 5,787 exports, decodes 9,541 in all). Once none are
  // left every further estimate is 0.
  int64_t windowsLeft = 100000;
};

// The same result, decoding only as far as the result depends on (and, with a
// memo, at most as many windows as it has left).
int32_t StackArgsFromCode(const CodeMemory& memory, uint64_t rva, int64_t sizeBound,
                          WindowSearchMemo* memo = nullptr);

}  // namespace kestrivo
