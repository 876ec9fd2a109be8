// The window search's work bounds: the memo shared by one listing's estimates
// never changes an answer, and the decoded-window budget ends hostile walks.

#include <gtest/gtest.h>

#include <vector>

#include "argcount/window_search.h"
#include "flat_code_memory.h"

namespace kestrivo {
namespace {

TEST(WindowSearchBounds, TheSharedMemoGivesTheSameAnswersAsSearchingAlone) {
  // 1 MiB of zero bytes (add [eax], al: no return opcode byte) and then
  // retn 0008h; whether a window grid reaches the retn on an instruction
  // boundary depends on the function's RVA, so the answers differ by RVA.
  std::vector<uint8_t> bytes(1 << 20, 0);
  for (uint8_t b : {0xC2, 0x08, 0x00, 0x90, 0x90, 0xC3}) bytes.push_back(b);
  bytes.resize(bytes.size() + 300, 0x90);
  const FlatCodeMemory memory(bytes);
  const int64_t sizeBound = 2 << 20;

  WindowSearchMemo memo;
  int found = 0;
  for (uint64_t rva = 0; rva < (1 << 20); rva += 4099) {
    SCOPED_TRACE(rva);
    const int32_t alone = StackArgsFromCode(memory, rva, sizeBound);
    EXPECT_EQ(StackArgsFromCode(memory, rva, sizeBound, &memo), alone);
    if (rva % 8192 == 0) EXPECT_EQ(StackArgsFromCodeText(memory, rva, sizeBound), alone);
    found += alone == 2;
  }
  EXPECT_GT(found, 0);
  // Only the windows that reach the retn's bytes are decoded: one or two per function.
  EXPECT_GE(memo.windowsLeft, WindowSearchMemo{}.windowsLeft - 2 * 256);
}

TEST(WindowSearchBounds, OnceTheBudgetIsSpentEveryEstimateIsZero) {
  // Return opcode bytes in every window, but as immediates: each window is
  // decoded, and the retn comes in the sixth.
  std::vector<uint8_t> bytes;
  while (bytes.size() < 500) {
    for (uint8_t b : {0xB8, 0xC3, 0xC3, 0xC3, 0xC3}) bytes.push_back(b);
  }
  for (uint8_t b : {0xC2, 0x0C, 0x00, 0x90, 0x90}) bytes.push_back(b);
  bytes.resize(700, 0x90);
  const FlatCodeMemory memory(bytes);

  WindowSearchMemo plenty;
  EXPECT_EQ(StackArgsFromCode(memory, 0, 700, &plenty), 3);
  EXPECT_EQ(plenty.windowsLeft, WindowSearchMemo{}.windowsLeft - 6);

  WindowSearchMemo almostSpent;
  almostSpent.windowsLeft = 5;
  EXPECT_EQ(StackArgsFromCode(memory, 0, 700, &almostSpent), 0);
  EXPECT_EQ(almostSpent.windowsLeft, 0);
  EXPECT_EQ(StackArgsFromCode(memory, 500, 700, &almostSpent), 0) << "spent for the rest of the listing";
  EXPECT_EQ(StackArgsFromCode(memory, 500, 700), 3);
}

}  // namespace
}  // namespace kestrivo
