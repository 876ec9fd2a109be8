#pragma once
// Disassembly windows: instruction text for a stretch of a module image, one
// line per instruction, lines joined by CR LF with the very last LF left off.

#include <cstdint>
#include <string>

#include "argcount/code_memory.h"

namespace kestrivo {

// The option word the estimator uses: NASM syntax, "h" number suffix.
constexpr uint32_t kDisasmOptions = 0x200;

// Decodes instructions from `startRva` while each one starts before
// startRva + length; the last may reach past that end and is listed whole.
// Stops at an undecodable opcode or where readable memory ends (an instruction
// that would need unreadable bytes is not listed). Length 0 or less: "".
std::string DisassembleRange(const CodeMemory& memory, uint64_t startRva, int32_t length,
                             uint32_t options = kDisasmOptions);

}  // namespace kestrivo
