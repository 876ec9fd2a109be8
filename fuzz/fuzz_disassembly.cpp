// Disassembly windows and the argument estimate over arbitrary code bytes.
// Input: 2 bytes size bound, 1 byte start RVA, 1 byte range length / 64, then
// the code, laid out from RVA 0 with nothing readable past its end.
// Oracles: the fast window search agrees with the text search it shortcuts
// (also with a memo shared by several functions), and a long range decoded in
// chunks gives the text of one decode in one go.

#include <cstddef>
#include <cstdint>
#include <string>

#include "argcount/disassemble_range.h"
#include "argcount/window_search.h"
#include "argcount/x86_decoder.h"
#include "fuzz_support.h"

using namespace kestrivo;

namespace {

// DisassembleRange written plainly over the whole buffer.
std::string WholeBufferText(std::span<const uint8_t> code, uint64_t start, int32_t length, uint32_t base) {
  if (length <= 0) return {};
  std::string text;
  for (uint64_t rva = start; rva < start + static_cast<uint64_t>(length) && rva < code.size();) {
    const DecodedInstruction instruction =
        DecodeOne(code.data() + rva, code.size() - rva, static_cast<uint32_t>(base + rva));
    if (instruction.length == 0) break;
    text += instruction.text;
    text += "\r\n";
    rva += instruction.length;
  }
  if (text.size() < 2) return {};
  text.pop_back();
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // At most 65 windows, so the text search (which decodes every window) stays quick.
  const int64_t sizeBound = (data[0] | (data[1] << 8)) % 6600;
  const uint64_t start = data[2];
  const int32_t length = data[3] * 64;
  const std::span<const uint8_t> code(data + 4, size - 4);
  const fuzz::FlatMemory memory(code);

  const int32_t fast = StackArgsFromCode(memory, start, sizeBound);
  const int32_t text = StackArgsFromCodeText(memory, start, sizeBound);
  if (fast != text) fuzz::Fail("fast and text estimates differ", std::to_string(fast) + " vs " + std::to_string(text));
  if (fast < 0 || fast > 16383) fuzz::Fail("estimate out of range");

  // A listing's estimates share one memo: functions one after the other, in
  // either order, must get the answers they get alone.
  WindowSearchMemo memo;
  for (const uint64_t rva : {start + 1, start, start + 37, start + 3, start + 250}) {
    if (StackArgsFromCode(memory, rva, sizeBound, &memo) != StackArgsFromCode(memory, rva, sizeBound))
      fuzz::Fail("the shared memo changed an estimate", std::to_string(rva));
  }

  const std::string window = DisassembleRange(memory, start, length);
  if (window != WholeBufferText(code, start, length, memory.ImageBase())) fuzz::Fail("chunked decode differs");
  if (!window.empty() && window.back() != '\r') fuzz::Fail("window text does not end with CR");
  return 0;
}
