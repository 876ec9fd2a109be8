#pragma once
// One 32-bit x86 instruction at a time, with the leniency and strictness of the
// disassembler whose text the estimator was written against: which byte
// sequences decode, how long they are, and the exact text of the return family.
// Both the text windows and the fast search decode through here, so they can
// never disagree about where instructions start or where a window ends.

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrivo {

// Longest instruction accepted, prefixes included (the processor's limit).
constexpr size_t kMaxInstructionLength = 15;

enum class InstructionKind : uint8_t {
  kOther,
  kReturnNear,           // C3        "ret " (or "rep ret ")
  kReturnNearImmediate,  // C2 iw     "retn XXXXh"
  kReturnFar,            // CB        "retf "
  kReturnFarImmediate,   // CA iw     "retf XXXXh"
  kInterruptReturn,      // CF        "iretd " (or "iretw ")
};

inline bool IsReturnKind(InstructionKind kind) { return kind != InstructionKind::kOther; }

struct DecodedInstruction {
  // Bytes taken; 0 when the bytes do not decode, or the instruction would need
  // more than `available` bytes: either way the window ends before it.
  uint32_t length = 0;
  InstructionKind kind = InstructionKind::kOther;
  uint16_t returnOperand = 0;  // the iw of C2 / CA
  // Filled only when asked for. Lower-case mnemonic, one blank, operands.
  // Never contains "ret" unless the instruction is of the return family.
  std::string text;
};

// Decodes the instruction at `bytes` (of which `available` may be read), taken
// to lie at `address` for printing branch targets.
DecodedInstruction DecodeOne(const uint8_t* bytes, size_t available, uint32_t address,
                             bool wantText = true);

// True when `byte` can be the opcode of a return-family instruction. A stretch
// without any such byte cannot hold a return.
inline bool IsReturnOpcode(uint8_t byte) {
  return byte == 0xC2 || byte == 0xC3 || byte == 0xCA || byte == 0xCB || byte == 0xCF;
}

}  // namespace kestrivo
