#include "argcount/window_search.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "argcount/disassemble_range.h"
#include "argcount/text_ops.h"
#include "argcount/x86_decoder.h"

namespace kestrivo {

int32_t StackArgsFromCodeText(const CodeMemory& memory, uint64_t rva, int64_t sizeBound) {
  int64_t offset = 0;
  std::string value;
  for (;;) {
    const std::string text = DisassembleRange(memory, rva + static_cast<uint64_t>(offset), kWindowLength);
    const int32_t p = FindText(text, "ret", 1, false);
    if (p != -1) {
      const int32_t e = FindText(text, "\r\n", p, false);
      const std::string line = MidText(text, p, e - p);  // empty when no CR LF follows
      value = TextBetween(line, "retn ", "h");
      if (value.empty()) return 0;
    }
    offset += kWindowLength;
    if (offset > sizeBound) return 0;  // also when a value was just found
    if (!value.empty()) break;
  }
  return HexToInt(value) / 4;
}

namespace {

// kNoReturnOpcode: a whole window of bytes without a single return opcode.
enum class WindowOutcome { kNoReturn, kNoReturnOpcode, kResult, kPastReadableEnd };

constexpr size_t kBufferSize = kWindowLength + kMaxInstructionLength;

// The byte values IsReturnOpcode accepts.
const std::vector<uint8_t>& ReturnOpcodes() {
  static const std::vector<uint8_t> opcodes = [] {
    std::vector<uint8_t> list;
    for (int b = 0; b < 256; ++b) {
      if (IsReturnOpcode(static_cast<uint8_t>(b))) list.push_back(static_cast<uint8_t>(b));
    }
    return list;
  }();
  return opcodes;
}

// The first byte at or after `from`, before `limit`, that can be a return
// opcode; none where readable memory ends first. One memchr per opcode value
// and chunk: far cheaper than testing every byte against each value.
std::optional<uint64_t> NextReturnOpcodeScan(const CodeMemory& memory, uint64_t from, uint64_t limit) {
  uint8_t chunk[2048];
  while (from < limit) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, limit - from));
    const size_t got = memory.Read(from, chunk, want);
    size_t first = got;
    for (const uint8_t opcode : ReturnOpcodes()) {
      if (const void* hit = std::memchr(chunk, opcode, first)) first = static_cast<size_t>(static_cast<const uint8_t*>(hit) - chunk);
    }
    if (first < got) return from + first;
    if (got < want) return std::nullopt;
    from += got;
  }
  return std::nullopt;
}

// The same, skipping the stretch the memo already knows to be empty, and
// remembering the stretch found empty now (functions side by side in data or
// zero-filled code then cost one scan in all, not one each).
std::optional<uint64_t> NextReturnOpcode(const CodeMemory& memory, uint64_t from, uint64_t limit,
                                         WindowSearchMemo* memo) {
  if (memo == nullptr) return NextReturnOpcodeScan(memory, from, limit);
  if (memo->memory != &memory) *memo = {&memory, 0, 0, memo->windowsLeft};
  const bool known = memo->emptyFrom <= from && from < memo->emptyTo;
  const uint64_t scanFrom = known ? std::min(memo->emptyTo, limit) : from;
  const std::optional<uint64_t> next = NextReturnOpcodeScan(memory, scanFrom, limit);
  const uint64_t emptyTo = next ? *next : limit;  // also where readable memory ended: nothing beyond
  if (known) {
    memo->emptyTo = std::max(memo->emptyTo, emptyTo);
  } else {
    memo->emptyFrom = from;
    memo->emptyTo = emptyTo;
  }
  return next;
}

// Looks at one window the way the text search would: the first return-family
// instruction decides; a "retn" counts only when a line follows it in the window.
WindowOutcome SearchWindow(const CodeMemory& memory, uint64_t start, int32_t& result) {
  uint8_t buffer[kBufferSize];
  const size_t filled = memory.Read(start, buffer, kBufferSize);
  if (filled == 0) return WindowOutcome::kPastReadableEnd;

  // Every return opcode lies in the bytes the window may decode; an
  // instruction that starts past the last of them cannot be a return (an
  // undecodable byte only ends the window sooner, which removes lines).
  size_t lastReturnOpcode = filled;
  for (size_t i = filled; i-- > 0;) {
    if (IsReturnOpcode(buffer[i])) {
      lastReturnOpcode = i;
      break;
    }
  }
  if (lastReturnOpcode == filled) {
    // Readable memory ending inside this window leaves every later window a
    // part of these bytes: none of them can hold a return either.
    return filled < kBufferSize ? WindowOutcome::kPastReadableEnd : WindowOutcome::kNoReturnOpcode;
  }

  const uint32_t base = memory.ImageBase();
  size_t at = 0;
  while (at < static_cast<size_t>(kWindowLength) && at <= lastReturnOpcode) {
    const DecodedInstruction instruction =
        DecodeOne(buffer + at, filled - at, static_cast<uint32_t>(base + start + at), false);
    if (instruction.length == 0) return WindowOutcome::kNoReturn;
    if (IsReturnKind(instruction.kind)) {
      result = 0;
      if (instruction.kind != InstructionKind::kReturnNearImmediate) return WindowOutcome::kResult;
      // The line is cut at its CR LF: on the window's last line there is none.
      const size_t next = at + instruction.length;
      if (next >= static_cast<size_t>(kWindowLength)) return WindowOutcome::kResult;
      if (DecodeOne(buffer + next, filled - next, static_cast<uint32_t>(base + start + next), false).length == 0) {
        return WindowOutcome::kResult;
      }
      result = instruction.returnOperand / 4;
      return WindowOutcome::kResult;
    }
    at += instruction.length;
  }
  return WindowOutcome::kNoReturn;
}

}  // namespace

int32_t StackArgsFromCode(const CodeMemory& memory, uint64_t rva, int64_t sizeBound, WindowSearchMemo* memo) {
  // Window k (from 0) counts only if 100 * (k + 1) <= sizeBound; a later
  // window can only end the search with 0, so it is not decoded.
  for (int64_t offset = 0; offset + kWindowLength <= sizeBound; offset += kWindowLength) {
    if (memo != nullptr && memo->windowsLeft <= 0) return 0;
    int32_t result = 0;
    switch (SearchWindow(memory, rva + static_cast<uint64_t>(offset), result)) {
      case WindowOutcome::kResult:
        if (memo != nullptr) --memo->windowsLeft;
        return result;
      case WindowOutcome::kPastReadableEnd:
        return 0;  // every later window is empty as well
      case WindowOutcome::kNoReturn:
        if (memo != nullptr) --memo->windowsLeft;
        break;
      case WindowOutcome::kNoReturnOpcode: {
        // Data, or long stretches of code without a return opcode byte: every
        // window whose bytes end before the next such byte gives nothing, so
        // go straight to the first window that reaches it.
        const uint64_t start = rva + static_cast<uint64_t>(offset);
        const std::optional<uint64_t> next =
            NextReturnOpcode(memory, start + kBufferSize, rva + static_cast<uint64_t>(sizeBound) + kBufferSize, memo);
        if (!next) return 0;
        const uint64_t firstReaching = *next - (kBufferSize - 1);  // > start
        const uint64_t windows = (firstReaching - start + kWindowLength - 1) / kWindowLength;  // >= 1
        offset += static_cast<int64_t>(windows - 1) * kWindowLength;  // the loop adds the last one
        break;
      }
    }
  }
  return 0;
}

}  // namespace kestrivo
