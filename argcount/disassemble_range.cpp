#include "argcount/disassemble_range.h"

#include <algorithm>
#include <cstring>

#include "argcount/x86_decoder.h"

namespace kestrivo {

std::string DisassembleRange(const CodeMemory& memory, uint64_t startRva, int32_t length,
                             uint32_t /*options: only the estimator's 0x200 text shape is made*/) {
  if (length <= 0) return {};
  const uint64_t end = startRva + static_cast<uint64_t>(length);
  // An instruction starting before `end` never needs a byte at or past `limit`.
  const uint64_t limit = end + kMaxInstructionLength;

  // Bytes are read in chunks as decoding moves on, so a long range needs no
  // large buffer; a window of 100 bytes is one read.
  constexpr size_t kChunk = 4096;
  uint8_t buffer[kChunk];
  uint64_t bufferRva = startRva;
  size_t filled = 0;
  bool readableEnd = false;
  auto refill = [&](uint64_t from) {
    const size_t keep = static_cast<size_t>(bufferRva + filled - from);
    std::memmove(buffer, buffer + (from - bufferRva), keep);
    bufferRva = from;
    filled = keep;
    const uint64_t next = bufferRva + filled;
    if (readableEnd || next >= limit) return;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk - filled, limit - next));
    const size_t got = memory.Read(next, buffer + filled, want);
    filled += got;
    if (got < want) readableEnd = true;
  };
  refill(startRva);

  std::string text;
  uint64_t rva = startRva;
  while (rva < end) {
    if (bufferRva + filled - rva < kMaxInstructionLength) refill(rva);
    const size_t offset = static_cast<size_t>(rva - bufferRva);
    const uint32_t address = static_cast<uint32_t>(memory.ImageBase() + rva);
    const DecodedInstruction instruction = DecodeOne(buffer + offset, filled - offset, address);
    if (instruction.length == 0) break;  // undecodable, or needs unreadable bytes
    text += instruction.text;
    text += "\r\n";
    rva += instruction.length;
  }
  // The very last LF is left off.
  if (text.size() < 2) return {};
  text.pop_back();
  return text;
}

}  // namespace kestrivo
