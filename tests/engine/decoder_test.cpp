// The decoder against byte sequences whose window text the original
// disassembler is known to give, and the shape of the window text.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "argcount/disassemble_range.h"
#include "argcount/x86_decoder.h"
#include "flat_code_memory.h"

namespace kestrivo {
namespace {

struct DecoderVector {
  std::vector<uint8_t> bytes;
  int32_t window = 0;
  std::string text;
  std::string note;
};

std::string Unescape(const std::string& escaped) {
  std::string out;
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] == '\\' && i + 1 < escaped.size() && (escaped[i + 1] == 'r' || escaped[i + 1] == 'n')) {
      out += escaped[i + 1] == 'r' ? '\r' : '\n';
      ++i;
    } else {
      out += escaped[i];
    }
  }
  return out;
}

std::vector<DecoderVector> LoadVectors() {
  std::vector<DecoderVector> vectors;
  std::ifstream in(std::string(KESTRIVO_TEST_DATA) + "/reference/decoder-vectors.tsv");
  std::string row;
  while (std::getline(in, row)) {
    if (row.empty() || row[0] == '#') continue;
    std::vector<std::string> columns;
    std::stringstream split(row);
    for (std::string column; std::getline(split, column, '\t');) columns.push_back(column);
    columns.resize(4);
    DecoderVector vector;
    std::stringstream hex(columns[0]);
    for (std::string byte; hex >> byte;) vector.bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    vector.window = std::stoi(columns[1]);
    vector.text = Unescape(columns[2]);
    vector.note = columns[3];
    vectors.push_back(vector);
  }
  return vectors;
}

// Window text split into its lines (each without its CR).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < text.size()) {
    const size_t cr = text.find('\r', from);
    if (cr == std::string::npos) {
      lines.push_back(text.substr(from));
      break;
    }
    lines.push_back(text.substr(from, cr - from));
    from = cr + 2;  // past CR LF
  }
  return lines;
}

bool IsReturnLine(const std::string& line) {
  for (const char* start : {"ret", "retn ", "retf ", "iretd ", "iretw ", "rep ret "}) {
    if (line.rfind(start, 0) == 0) return true;
  }
  return false;
}

TEST(DecoderVectors, WindowsEndAndReturnsPrintAsTheOriginalDecoder) {
  const std::vector<DecoderVector> vectors = LoadVectors();
  ASSERT_GT(vectors.size(), 50u) << "decoder-vectors.tsv not found or empty";
  for (const DecoderVector& vector : vectors) {
    SCOPED_TRACE(vector.note + " [" + std::to_string(vector.bytes.size()) + " bytes]");
    const FlatCodeMemory memory(vector.bytes);
    const std::string text = DisassembleRange(memory, 0, vector.window);
    const std::vector<std::string> expected = Lines(vector.text);
    const std::vector<std::string> actual = Lines(text);

    ASSERT_EQ(actual.size(), expected.size()) << "got: " << text;
    EXPECT_EQ(text.empty(), vector.text.empty());
    if (!text.empty()) EXPECT_EQ(text.back(), '\r');
    for (size_t i = 0; i < expected.size(); ++i) {
      if (IsReturnLine(expected[i])) {
        EXPECT_EQ(actual[i], expected[i]);
      } else {
        EXPECT_EQ(actual[i].find("ret"), std::string::npos) << actual[i];
      }
    }

    // Where each instruction starts: a window whose last line is the return
    // that ends the bytes must have used up every byte exactly.
    if (!expected.empty() && IsReturnLine(expected.back()) && vector.bytes.size() == static_cast<size_t>(vector.window)) {
      size_t at = 0;
      for (size_t i = 0; i < expected.size(); ++i) {
        const DecodedInstruction instruction = DecodeOne(vector.bytes.data() + at, vector.bytes.size() - at, 0x10001000 + static_cast<uint32_t>(at));
        ASSERT_NE(instruction.length, 0u);
        at += instruction.length;
      }
      EXPECT_EQ(at, vector.bytes.size());
    }
  }
}

TEST(DecoderVectors, BranchTargetsShowTheInstructionLengths) {
  // A relative branch prints its target, which depends on where it starts and
  // how long it is.
  const FlatCodeMemory memory({0xC4, 0xE2, 0x79, 0x18, 0x00, 0xC3});
  const std::vector<std::string> lines = Lines(DisassembleRange(memory, 0, 6));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[1].find("1000101C"), std::string::npos) << lines[1];

  const FlatCodeMemory call({0xE8, 0x00, 0x00, 0x00, 0x00, 0xC3});
  EXPECT_NE(DisassembleRange(call, 0, 6).find("10001005"), std::string::npos);
}

TEST(DisassembleRange, EmptyRangesAndUndecodableStart) {
  const FlatCodeMemory memory({0x55, 0xC3});
  EXPECT_EQ(DisassembleRange(memory, 0, 0), "");
  EXPECT_EQ(DisassembleRange(memory, 0, -1), "");
  EXPECT_EQ(DisassembleRange(memory, 0, INT32_MIN), "");
  EXPECT_EQ(DisassembleRange(memory, 2, 100), "");  // starts at the readable end
  EXPECT_EQ(DisassembleRange(memory, 1000, 100), "");
  const FlatCodeMemory undecodable({0x0F, 0x07, 0x55, 0xC3});
  EXPECT_EQ(DisassembleRange(undecodable, 0, 4), "");
}

TEST(DisassembleRange, LineShape) {
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0x55, 0xC3}), 0, 2), "push ebp\r\nret \r");
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0xC3, 0xCC}), 0, 2), "ret \r\nint3 \r");
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0xC2, 0x08, 0x00}), 0, 1), "retn 0008h\r");
  // Only starts are held against the range: C3 at offset 1 is outside a range of 1.
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0x55, 0xC3}), 0, 1), "push ebp\r");
}

TEST(DisassembleRange, HundredOneByteInstructionsGiveHundredLines) {
  const FlatCodeMemory memory(std::vector<uint8_t>(300, 0x90));
  const std::string text = DisassembleRange(memory, 0, 100);
  EXPECT_EQ(Lines(text).size(), 100u);
  EXPECT_EQ(text.substr(text.size() - 1), "\r");
}

TEST(DisassembleRange, InstructionNeedingUnreadableBytesEndsTheWindow) {
  // retn 0008h would need one byte past the end of readable memory.
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0x55, 0xC2, 0x08}), 0, 100), "push ebp\r");
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0x55, 0xC2, 0x08, 0x00}), 0, 100), "push ebp\r\nretn 0008h\r");
  // A window that starts inside memory and runs past its end.
  EXPECT_EQ(DisassembleRange(FlatCodeMemory({0x90, 0x90, 0x55, 0xC3}), 2, 100), "push ebp\r\nret \r");
}

TEST(DisassembleRange, LongRangeReadsAcrossChunks) {
  // 3000 three-byte instructions: the reads in chunks fall inside instructions.
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 3000; ++i) bytes.insert(bytes.end(), {0x83, 0xC0, 0x01});
  const std::vector<std::string> lines = Lines(DisassembleRange(FlatCodeMemory(bytes), 0, 9000));
  ASSERT_EQ(lines.size(), 3000u);
  for (const std::string& line : lines) ASSERT_EQ(line, lines[0]);
  // The last instruction starts before the range's end and reaches past it.
  EXPECT_EQ(Lines(DisassembleRange(FlatCodeMemory(bytes), 0, 8998)).size(), 3000u);
}

TEST(DecodeOne, RetAppearsOnlyInReturnLines) {
  // Every one- and two-byte opcode start, with and without operand-size and
  // LOCK prefixes: "ret" in a line marks a return for the estimator.
  for (const std::vector<uint8_t> lead : {std::vector<uint8_t>{}, {0x0F}, {0x66}, {0xF0}, {0xF3}, {0x66, 0x0F}}) {
    for (int first = 0; first < 256; ++first) {
      for (int second = 0; second < 256; ++second) {
        std::vector<uint8_t> bytes = lead;
        bytes.push_back(static_cast<uint8_t>(first));
        bytes.push_back(static_cast<uint8_t>(second));
        bytes.resize(bytes.size() + 12, 0x00);
        const DecodedInstruction full = DecodeOne(bytes.data(), bytes.size(), 0x10001000);
        const DecodedInstruction fast = DecodeOne(bytes.data(), bytes.size(), 0x10001000, false);
        ASSERT_EQ(full.length, fast.length);
        ASSERT_EQ(full.kind, fast.kind);
        if (full.length == 0) continue;
        ASSERT_FALSE(full.text.empty());
        ASSERT_EQ(full.text.find("ret") != std::string::npos, IsReturnKind(full.kind)) << full.text;
        ASSERT_LE(full.length, kMaxInstructionLength);
      }
    }
  }
}

TEST(DecodeOne, NeverReadsPastAvailable) {
  // Every prefix of a long instruction is too short and must give 0.
  const std::vector<uint8_t> bytes = {0xF0, 0x66, 0xC7, 0x84, 0x88, 0x44, 0x33, 0x22, 0x11, 0x34, 0x12};
  const DecodedInstruction whole = DecodeOne(bytes.data(), bytes.size(), 0);
  ASSERT_EQ(whole.length, bytes.size());
  for (size_t available = 0; available < bytes.size(); ++available) {
    EXPECT_EQ(DecodeOne(bytes.data(), available, 0).length, 0u) << available;
  }
}

TEST(DecodeOne, MissingSegmentRegistersPrintAsUnknown) {
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {{0x8C, 0x36}, "mov word ptr [esi], seg?"},  // the "es" of "esi" stays
      {{0x26, 0x8C, 0x3E}, "mov word ptr es:[esi], seg?"},
      {{0x8E, 0xF0}, "mov seg?, eax"},
      {{0x8E, 0x36}, "mov seg?, word ptr [esi]"},
  };
  for (const auto& [bytes, expected] : cases) {
    const DecodedInstruction instruction = DecodeOne(bytes.data(), bytes.size(), 0);
    EXPECT_EQ(instruction.length, bytes.size());
    EXPECT_EQ(instruction.text, expected);
  }
}

TEST(DecodeOne, ReturnOperands) {
  const uint8_t retn[] = {0xC2, 0xFC, 0xFF};
  const DecodedInstruction near = DecodeOne(retn, sizeof retn, 0);
  EXPECT_EQ(near.kind, InstructionKind::kReturnNearImmediate);
  EXPECT_EQ(near.returnOperand, 0xFFFC);
  EXPECT_EQ(near.text, "retn FFFCh");
  const uint8_t retf[] = {0xF0, 0xCA, 0x10, 0x00};
  const DecodedInstruction far = DecodeOne(retf, sizeof retf, 0);
  EXPECT_EQ(far.kind, InstructionKind::kReturnFarImmediate);
  EXPECT_EQ(far.length, 4u);
  EXPECT_EQ(far.text, "retf 0010h");
}

}  // namespace
}  // namespace kestrivo
