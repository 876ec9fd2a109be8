// The return search over windows of 100 bytes: the text algorithm and the fast
// one must agree everywhere, and both must give the documented results.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "argcount/window_search.h"
#include "flat_code_memory.h"

namespace kestrivo {
namespace {

constexpr uint8_t kNop = 0x90;

// `code` placed at `at` in a run of NOPs of `total` bytes.
std::vector<uint8_t> CodeAt(size_t at, std::vector<uint8_t> code, size_t total = 400) {
  std::vector<uint8_t> bytes(std::max(total, at + code.size()), kNop);
  std::copy(code.begin(), code.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

struct SearchCase {
  const char* name;
  std::vector<uint8_t> bytes;
  int64_t sizeBound;
  int32_t expected;
  uint64_t rva = 0;
};

TEST(WindowSearch, DocumentedResults) {
  const SearchCase cases[] = {
      {"retn 0008h", CodeAt(3, {0xC2, 0x08, 0x00}), 1000, 2},
      {"retn 000Ch", CodeAt(3, {0xC2, 0x0C, 0x00}), 1000, 3},
      {"retn 0006h", CodeAt(3, {0xC2, 0x06, 0x00}), 1000, 1},
      {"retn 0002h", CodeAt(3, {0xC2, 0x02, 0x00}), 1000, 0},
      {"retn 0000h", CodeAt(3, {0xC2, 0x00, 0x00}), 1000, 0},
      {"retn FFFCh", CodeAt(3, {0xC2, 0xFC, 0xFF}), 1000, 16383},
      {"lock retn", CodeAt(3, {0xF0, 0xC2, 0x10, 0x00}), 1000, 4},
      {"ret before retn", CodeAt(3, {0xC3, 0xC2, 0x08, 0x00}), 1000, 0},
      {"retf 0008h", CodeAt(3, {0xCA, 0x08, 0x00}), 1000, 0},
      {"retf", CodeAt(3, {0xCB, 0xC2, 0x08, 0x00}), 1000, 0},
      {"iretd", CodeAt(3, {0xCF, 0xC2, 0x08, 0x00}), 1000, 0},
      {"rep ret", CodeAt(3, {0xF3, 0xC3, 0xC2, 0x08, 0x00}), 1000, 0},
      {"operand in a mov is no return", CodeAt(3, {0xB8, 0xC3, 0xC2, 0xCF, 0xCB, 0xC2, 0x08, 0x00}), 1000, 2},
      {"retn on the window's last line", CodeAt(97, {0xC2, 0x08, 0x00}), 1000, 0},
      {"retn with one line after it", CodeAt(96, {0xC2, 0x08, 0x00}), 1000, 2},
      {"retn before an undecodable opcode", CodeAt(3, {0xC2, 0x08, 0x00, 0x0F, 0x07}), 1000, 0},
      {"retn at the end of memory", CodeAt(3, {0xC2, 0x08, 0x00}, 6), 1000, 0},
      {"retn before a cut instruction", CodeAt(3, {0xC2, 0x08, 0x00, 0xB8, 0x01}, 8), 1000, 0},
      {"no return at all", std::vector<uint8_t>(350, kNop), 100000, 0},
      {"size 100: first window counts", CodeAt(3, {0xC2, 0x08, 0x00}), 100, 2},
      {"size 150: first window counts", CodeAt(3, {0xC2, 0x08, 0x00}), 150, 2},
      {"size 99: too small", CodeAt(3, {0xC2, 0x08, 0x00}), 99, 0},
      {"size 0", CodeAt(3, {0xC2, 0x08, 0x00}), 0, 0},
      {"negative size", CodeAt(3, {0xC2, 0x08, 0x00}), -5, 0},
      {"second window, size 150", CodeAt(150, {0xC2, 0x08, 0x00}), 150, 0},
      {"second window, size 200", CodeAt(150, {0xC2, 0x08, 0x00}), 200, 2},
      {"third window", CodeAt(250, {0xC2, 0x0C, 0x00}), 300, 3},
      // The second window starts inside the mov that the first decoded whole.
      {"window starts inside an instruction", CodeAt(98, {0xB8, 0x00, 0xC2, 0x08, 0x00}), 1000, 2},
      // retn starts at 98 (two prefixes), its opcode lies past the window's
      // 100 bytes: the first window already ends the search.
      {"return opcode past the window's bytes", CodeAt(98, {0x66, 0x66, 0xC2, 0x08, 0x00}), 1000, 0},
      {"rva past the end of memory", CodeAt(3, {0xC2, 0x08, 0x00}), 1000000, 0, 5000},
      {"rva inside, code runs off the end", std::vector<uint8_t>(250, kNop), 1000000, 0, 120},
      {"rva not at 0", CodeAt(203, {0xC2, 0x08, 0x00}), 1000, 2, 200},
  };
  for (const SearchCase& c : cases) {
    const FlatCodeMemory memory(c.bytes);
    EXPECT_EQ(StackArgsFromCodeText(memory, c.rva, c.sizeBound), c.expected) << c.name;
    EXPECT_EQ(StackArgsFromCode(memory, c.rva, c.sizeBound), c.expected) << c.name;
  }
}

TEST(WindowSearch, LongStretchesWithoutReturnBytes) {
  // A return after thousands of bytes that hold no return opcode at all, placed
  // at every position around window boundaries, with bounds just below, at and
  // past the window that finds it; also memory that ends in such a stretch.
  // The second code is a ret behind 14 prefixes (15 bytes, the longest there
  // is), then a retn: which one decides depends on where the windows start.
  const std::vector<uint8_t> longRet = {0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66,
                                        0x66, 0x66, 0x66, 0x66, 0xC3, 0xC2, 0x08, 0x00, kNop};
  const std::vector<uint8_t> retn = {0xC2, 0x08, 0x00, kNop};
  for (const std::vector<uint8_t>* code : {&retn, &longRet}) {
    for (size_t at = 4890; at < 5010; ++at) {
      const FlatCodeMemory memory(CodeAt(at, *code, at + code->size() + (at % 3) * 100));
      for (const uint64_t rva : {uint64_t{0}, uint64_t{37}, uint64_t{99}}) {
        const int64_t windowEnd = static_cast<int64_t>((at - rva) / 100 * 100 + 100);
        for (const int64_t bound : {windowEnd - 1, windowEnd, windowEnd + 99, windowEnd + 100, int64_t{1} << 40}) {
          const int32_t text = StackArgsFromCodeText(memory, rva, std::min<int64_t>(bound, 20000));
          ASSERT_EQ(StackArgsFromCode(memory, rva, bound), text) << "at " << at << " rva " << rva << " bound " << bound;
        }
      }
    }
  }
  const FlatCodeMemory onlyNops(std::vector<uint8_t>(7777, kNop));
  for (const uint64_t rva : {uint64_t{0}, uint64_t{7650}, uint64_t{7700}, uint64_t{7776}}) {
    EXPECT_EQ(StackArgsFromCode(onlyNops, rva, int64_t{1} << 40), 0);
  }
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The raw bytes of the .text section of a PE file; empty if there is none.
std::vector<uint8_t> TextSection(const std::vector<uint8_t>& file) {
  auto dword = [&](size_t at) -> uint32_t {
    uint32_t v = 0;
    if (at + 4 <= file.size()) std::memcpy(&v, file.data() + at, 4);
    return v;
  };
  auto word = [&](size_t at) { return static_cast<uint16_t>(dword(at) & 0xFFFF); };
  const size_t pe = dword(0x3C);
  const size_t sections = pe + 24 + word(pe + 20);
  for (size_t i = 0; i < word(pe + 6); ++i) {
    const size_t header = sections + 40 * i;
    if (header + 40 > file.size()) break;
    if (std::memcmp(file.data() + header, ".text", 6) != 0) continue;
    const size_t raw = dword(header + 20), size = dword(header + 16);
    if (raw + size > file.size()) break;
    return std::vector<uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(raw),
                                file.begin() + static_cast<std::ptrdiff_t>(raw + size));
  }
  return {};
}

// Both searches from every `stride`-th byte of real code (most starts are mid-
// instruction, so this is real code and plenty of x86 garbage), with bounds
// that stop after no window, one window, one and a half, and past the end of
// memory. The text search walks every empty window up to its bound, so it gets
// a bound just past the end, from fewer starts (that walk is long); the
// fast one must give the same for any bound beyond that.
void ExpectSameOnEveryOffset(const std::string& dll, uint64_t stride) {
  const std::string path = "/usr/lib/gcc/i686-w64-mingw32/12-win32/" + dll;
  const std::vector<uint8_t> text = TextSection(ReadFile(path));
  if (text.empty()) GTEST_SKIP() << path << " not installed";
  const FlatCodeMemory memory(text, 0x6FE40000);
  const int64_t pastEnd = static_cast<int64_t>(text.size()) + 300;

  double textSeconds = 0, fastSeconds = 0;
  size_t compared = 0, nonZero = 0;
  for (const int64_t bound : {int64_t{0}, int64_t{100}, int64_t{150}, pastEnd}) {
    const uint64_t step = bound == pastEnd ? stride * 13 : stride;
    for (uint64_t rva = 0; rva < text.size(); rva += step) {
      const auto t0 = std::chrono::steady_clock::now();
      const int32_t slow = StackArgsFromCodeText(memory, rva, bound);
      const auto t1 = std::chrono::steady_clock::now();
      const int32_t fast = StackArgsFromCode(memory, rva, bound);
      const auto t2 = std::chrono::steady_clock::now();
      textSeconds += std::chrono::duration<double>(t1 - t0).count();
      fastSeconds += std::chrono::duration<double>(t2 - t1).count();
      ASSERT_EQ(fast, slow) << dll << " rva " << rva << " bound " << bound;
      if (bound == pastEnd) ASSERT_EQ(StackArgsFromCode(memory, rva, 1000000000), slow) << dll << " rva " << rva;
      ++compared;
      if (fast != 0) ++nonZero;
    }
  }
  std::printf("%s: %zu searches, %zu non-zero; text %.2fs, fast %.2fs\n", dll.c_str(), compared, nonZero,
              textSeconds, fastSeconds);
}

TEST(WindowSearch, FastAgreesWithTextOnLibgcc) { ExpectSameOnEveryOffset("libgcc_s_dw2-1.dll", 7); }
TEST(WindowSearch, FastAgreesWithTextOnLibstdcxx) { ExpectSameOnEveryOffset("libstdc++-6.dll", 31); }

}  // namespace
}  // namespace kestrivo
