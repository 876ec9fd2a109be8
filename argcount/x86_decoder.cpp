#include "argcount/x86_decoder.h"

#include <capstone/capstone.h>

#include <cstdio>
#include <cstring>

namespace kestrivo {
namespace {

// Capstone does the decoding; this file holds the layer around it that makes
// its answers agree with the original decoder where the two differ.

struct CapstoneHandle {
  csh handle = 0;
  cs_insn* insn = nullptr;
  bool ok = false;

  CapstoneHandle() {
    if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle) != CS_ERR_OK) return;
    cs_option(handle, CS_OPT_SYNTAX, CS_OPT_SYNTAX_MASM);
    insn = cs_malloc(handle);
    ok = insn != nullptr;
  }
  ~CapstoneHandle() {
    if (insn != nullptr) cs_free(insn, 1);
    if (handle != 0) cs_close(&handle);
  }
  CapstoneHandle(const CapstoneHandle&) = delete;
  CapstoneHandle& operator=(const CapstoneHandle&) = delete;
};

// cs_open is costly: one handle per thread, kept for the thread's life.
CapstoneHandle& Capstone() {
  thread_local CapstoneHandle capstone;
  return capstone;
}

bool IsLegacyPrefix(uint8_t b) {
  switch (b) {
    case 0xF0: case 0xF2: case 0xF3:
    case 0x2E: case 0x36: case 0x3E: case 0x26: case 0x64: case 0x65:
    case 0x66: case 0x67:
      return true;
    default:
      return false;
  }
}

const char* const kRegisters32[8] = {"eax", "ecx", "edx", "ebx", "esp", "ebp", "esi", "edi"};
const char* const kRegisters16[8] = {"ax", "cx", "dx", "bx", "sp", "bp", "si", "di"};

bool IsAlphaNumeric(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

// "0ch" -> "0Ch": numbers in upper-case hexadecimal with the "h" suffix.
void UpperCaseHexNumbers(std::string& text) {
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    if (!(text[i] >= '0' && text[i] <= '9') || (i > 0 && IsAlphaNumeric(text[i - 1]))) continue;
    size_t end = i;
    while (end < n && IsHexDigit(text[end])) ++end;
    if (end < n && text[end] == 'h' && (end + 1 == n || !IsAlphaNumeric(text[end + 1]))) {
      for (size_t k = i; k < end; ++k) {
        if (text[k] >= 'a') text[k] = static_cast<char>(text[k] - 'a' + 'A');
      }
    }
    i = end;
  }
}

// Capstone's text, lower-case mnemonic and operands, with "ret" kept out of
// every line that is not a return: the estimator looks for it by text.
void CapstoneText(const cs_insn& insn, std::string& text) {
  text = insn.mnemonic;
  text += ' ';
  text += insn.op_str;
  UpperCaseHexNumbers(text);
  for (size_t at = text.find("ret"); at != std::string::npos; at = text.find("ret", at)) {
    text[at + 2] = 'T';
  }
}

// Decodes `code` with Capstone: length, or 0 when it does not decode.
uint32_t CapstoneDecode(const uint8_t* code, size_t size, uint32_t address, std::string* text) {
  CapstoneHandle& capstone = Capstone();
  if (!capstone.ok || size == 0) return 0;
  const uint8_t* cursor = code;
  size_t left = size;
  uint64_t at = address;
  if (!cs_disasm_iter(capstone.handle, &cursor, &left, &at, capstone.insn)) return 0;
  if (text != nullptr) CapstoneText(*capstone.insn, *text);
  return capstone.insn->size;
}

}  // namespace

DecodedInstruction DecodeOne(const uint8_t* bytes, size_t available, uint32_t address,
                             bool wantText) {
  DecodedInstruction result;
  const size_t limit = available < kMaxInstructionLength ? available : kMaxInstructionLength;

  // The instruction without its LOCK bytes: the original decoder accepts LOCK
  // in front of any instruction and does not show it; Capstone refuses it on
  // instructions that cannot be locked.
  uint8_t code[kMaxInstructionLength];
  size_t size = 0;
  size_t lockCount = 0;
  size_t at = 0;
  bool operandSize = false, repeat = false;
  for (; at < limit && IsLegacyPrefix(bytes[at]); ++at) {
    const uint8_t b = bytes[at];
    if (b == 0xF0) {
      ++lockCount;
      continue;
    }
    if (b == 0x66) operandSize = true;
    if (b == 0xF3) repeat = true;
    code[size++] = b;
  }
  const size_t prefixes = size;
  for (; at < limit; ++at) code[size++] = bytes[at];
  if (prefixes >= size) return result;  // nothing but prefixes before the end

  const uint8_t opcode = code[prefixes];
  const bool hasModrm = prefixes + 1 < size;
  const uint8_t modrm = hasModrm ? code[prefixes + 1] : 0;
  const uint8_t mod = modrm >> 6, reg = (modrm >> 3) & 7, rm = modrm & 7;
  std::string* text = wantText ? &result.text : nullptr;
  uint32_t length = 0;

  auto take = [&](size_t need) { return need <= size ? static_cast<uint32_t>(need) : 0u; };
  auto imm16 = [&]() {
    return static_cast<uint16_t>(code[prefixes + 1] | (code[prefixes + 2] << 8));
  };
  auto registers = [&]() { return operandSize ? kRegisters16 : kRegisters32; };

  switch (opcode) {
    // The return family: text exactly as the estimator reads it.
    case 0xC3:
      length = take(prefixes + 1);
      result.kind = InstructionKind::kReturnNear;
      if (text) *text = repeat ? "rep ret " : "ret ";
      break;
    case 0xCB:
      length = take(prefixes + 1);
      result.kind = InstructionKind::kReturnFar;
      if (text) *text = "retf ";
      break;
    case 0xCF:
      length = take(prefixes + 1);
      result.kind = InstructionKind::kInterruptReturn;
      if (text) *text = operandSize ? "iretw " : "iretd ";
      break;
    case 0xC2:
    case 0xCA:
      length = take(prefixes + 3);
      if (length == 0) break;
      result.returnOperand = imm16();
      result.kind = opcode == 0xC2 ? InstructionKind::kReturnNearImmediate
                                   : InstructionKind::kReturnFarImmediate;
      if (text) {
        char line[16];
        std::snprintf(line, sizeof line, "%s %04Xh", opcode == 0xC2 ? "retn" : "retf",
                      static_cast<unsigned>(result.returnOperand));
        *text = line;
      }
      break;

    // The original decodes these with a register where a memory operand
    // belongs; in 32-bit code C4/C5/62 are never VEX or EVEX there.
    case 0x62:
    case 0xC4:
    case 0xC5:
    case 0x8D:
      if (!hasModrm) break;
      if (mod != 3) {
        length = CapstoneDecode(code, size, address, text);
        break;
      }
      length = take(prefixes + 2);
      if (text) {
        const char* name = opcode == 0x62 ? "bound " : opcode == 0xC4 ? "les " : opcode == 0xC5 ? "lds " : "lea ";
        *text = std::string(name) + registers()[reg] + ", " + registers()[rm];
      }
      break;

    case 0xFF:
      if (!hasModrm) break;
      if (mod == 3 && (reg == 3 || reg == 5)) {  // far call / jmp through a register
        length = take(prefixes + 2);
        if (text) *text = std::string(reg == 3 ? "call far " : "jmp far ") + kRegisters32[rm];
        break;
      }
      length = CapstoneDecode(code, size, address, text);
      break;

    case 0x8C:
    case 0x8E:
      if (!hasModrm) break;
      if (reg >= 6) {  // no such segment register: decoded all the same
        code[prefixes + 1] = static_cast<uint8_t>(modrm & ~0x38);  // as ES, same length
        length = CapstoneDecode(code, size, address, text);
        if (length != 0 && text) {
          // The segment register is the last operand of 8C, the first of 8E.
          const size_t es = opcode == 0x8C ? text->rfind("es") : text->find("es", 4);
          if (es != std::string::npos) text->replace(es, 2, "seg?");
        }
        break;
      }
      length = CapstoneDecode(code, size, address, text);
      break;

    case 0x8F:
      if (!hasModrm || reg != 0) break;  // 8F /1../7 do not decode (never XOP)
      length = CapstoneDecode(code, size, address, text);
      break;

    case 0x0F:
      if (!hasModrm) break;
      switch (modrm) {  // here the second opcode byte, not a ModRM
        case 0x0D:  // decoded as a NOP with an operand, whatever its /r
          code[prefixes + 1] = 0x1F;
          length = CapstoneDecode(code, size, address, text);
          break;
        case 0x05:  // syscall
        case 0x07:  // sysret
        case 0x0F:  // 3DNow!
        case 0xFF:  // ud0
          break;
        default:
          length = CapstoneDecode(code, size, address, text);
      }
      break;

    default:
      length = CapstoneDecode(code, size, address, text);
  }

  if (length == 0) {
    result.kind = InstructionKind::kOther;
    result.text.clear();
    return result;
  }
  result.length = length + static_cast<uint32_t>(lockCount);
  return result;
}

}  // namespace kestrivo
