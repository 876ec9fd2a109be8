// Dropping files on the main window: the drop effects, what is refused, and
// what one file, several files, an unreadable file, a Chinese file name and a
// very large export table do to the list and the status bar.

#include <windows.h>
#include <ole2.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "gui_test_support.h"
#include "tests/engine/pe_fixture.h"

namespace kestrivo::test {
namespace {

using DropTest = MainWindowTest;

double ThreadCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto value = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(value(kernel) + value(user)) / 10000.0;
}

constexpr DWORD kCopy = DROPEFFECT_COPY, kMove = DROPEFFECT_MOVE, kLink = DROPEFFECT_LINK;

std::vector<std::vector<std::string>> ReferenceRows(const std::string& tsvUnixPath) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(WindowsPathOf(tsvUnixPath));
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream fields(line);
    std::string cell;
    while (std::getline(fields, cell, '\t')) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

TEST_F(DropTest, EffectFollowsModifierKeysAndWhatTheSourceAllows) {
  struct Case {
    DWORD keys, allowed, expected;
  } cases[] = {
      {0, kCopy | kMove | kLink, kCopy},
      {0, kMove | kLink, kMove},
      {0, kLink, kLink},
      {0, DROPEFFECT_NONE, DROPEFFECT_NONE},
      {MK_CONTROL, kCopy | kMove | kLink, kCopy},
      {MK_CONTROL, kMove | kLink, DROPEFFECT_NONE},
      {MK_SHIFT, kCopy | kMove | kLink, kMove},
      {MK_SHIFT, kCopy | kLink, DROPEFFECT_NONE},
      {MK_CONTROL | MK_SHIFT, kCopy | kMove | kLink, DROPEFFECT_NONE},
  };
  IDropTarget* target = MainDropTarget();
  ASSERT_NE(target, nullptr);
  IDataObject* files = NewFileDataObject({TestDllPath()});
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "keys " << c.keys << " allowed " << c.allowed);
    DWORD effect = c.allowed;
    EXPECT_EQ(target->DragEnter(files, c.keys | MK_LBUTTON, {10, 10}, &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    effect = c.allowed;
    EXPECT_EQ(target->DragOver(c.keys | MK_LBUTTON, {12, 12}, &effect), S_OK);
    EXPECT_EQ(effect, c.expected);
    target->DragLeave();
  }
  files->Release();
}

TEST_F(DropTest, RefusedDropsRaiseNoEvent) {
  const std::string before = CurrentPath();
  // Ctrl and Shift together, or a source that allows no effect.
  EXPECT_EQ(DropFiles({TestDllPath()}, MK_CONTROL | MK_SHIFT), DROPEFFECT_NONE);
  EXPECT_EQ(DropFiles({TestDllPath()}, MK_CONTROL, kMove), DROPEFFECT_NONE);

  // Text is not a list of files.
  IDropTarget* target = MainDropTarget();
  IDataObject* text = NewFileDataObject({"just some text"}, true);
  DWORD effect = kCopy | kMove | kLink;
  target->DragEnter(text, MK_LBUTTON, {10, 10}, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = kCopy | kMove | kLink;
  target->DragOver(MK_LBUTTON, {10, 10}, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  effect = kCopy | kMove | kLink;
  target->Drop(text, 0, {10, 10}, &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  text->Release();

  EXPECT_EQ(CurrentPath(), before);
  EXPECT_EQ(StatusText(1), "");
  EXPECT_EQ(ListItemCount(), 0);
}

TEST_F(DropTest, DroppedDllIsListedRowForRow) {
  ASSERT_EQ(DropFiles({TestDllPath()}), kCopy);
  EXPECT_EQ(CurrentPath(), TestDllPath());
  EXPECT_EQ(StatusText(1), "libgcc_s_dw2-1.dll");
  EXPECT_EQ(StatusText(3), std::to_string(kTestDllNamedExports));
  ASSERT_EQ(ListItemCount(), kTestDllNamedExports);

  const auto reference = ReferenceRows(KESTRIVO_TEST_DATA "/reference/mingw-dlls/libgcc_s_dw2-1.dll.tsv");
  ASSERT_EQ(reference.size(), static_cast<size_t>(kTestDllNamedExports));
  for (int row = 0; row < kTestDllNamedExports; ++row) {
    ASSERT_EQ(reference[static_cast<size_t>(row)].size(), 5u);
    for (int column = 0; column < 5; ++column) {
      EXPECT_EQ(ListCellText(row, column), reference[static_cast<size_t>(row)][static_cast<size_t>(column)])
          << "row " << row << " column " << column;
    }
  }
}

TEST_F(DropTest, TwoFilesGiveOneEventAndOneMessage) {
  ASSERT_EQ(DropFiles({TestDllPath()}), kCopy);
  ASSERT_EQ(ListItemCount(), kTestDllNamedExports);

  const std::string other = WindowsPathOf("/usr/lib/gcc/i686-w64-mingw32/12-win32/libssp-0.dll");
  DialogWatch watch(PressOk);
  EXPECT_EQ(DropFiles({TestDllPath(), other}), kCopy);
  // Both paths reached one handler call, each followed by CR LF.
  EXPECT_EQ(CurrentPath(), TestDllPath() + "\r\n" + other + "\r\n");
  ASSERT_EQ(watch.Seen().size(), 1u);
  EXPECT_EQ(watch.Seen()[0].caption, "信息：");
  EXPECT_EQ(watch.Seen()[0].text, "无法读取文件内容");
  EXPECT_EQ(ListItemCount(), 0);
  // The part shows the last name followed by the CR LF (drawn as blanks).
  EXPECT_EQ(StatusText(1).substr(0, 12), "libssp-0.dll");
  EXPECT_EQ(StatusText(1).size(), 14u);
  // The count of the last listing that ran stays.
  EXPECT_EQ(StatusText(3), std::to_string(kTestDllNamedExports));
}

TEST_F(DropTest, MissingFileShowsTheErrorBoxAndItsName) {
  DialogWatch watch(PressOk);
  DropFiles({"Z:\\no\\such\\folder\\missing.dll"});
  ASSERT_EQ(watch.Seen().size(), 1u);
  EXPECT_EQ(watch.Seen()[0].caption, "信息：");
  EXPECT_EQ(watch.Seen()[0].text, "无法读取文件内容");
  EXPECT_EQ(StatusText(1), "missing.dll");
  EXPECT_EQ(ListItemCount(), 0);
  EXPECT_TRUE(IsWindow(window_));
}

TEST_F(DropTest, TextFileAfterDllEmptiesTheListQuietly) {
  ASSERT_EQ(DropFiles({TestDllPath()}), kCopy);
  const std::string folder = FreshTempFolder("kestrivo-text");
  const std::string notes = folder + "\\notes.txt";
  ASSERT_TRUE(WriteFileUtf8(notes, {'h', 'e', 'l', 'l', 'o', '\r', '\n'}));
  DialogWatch watch(PressOk);
  DropFiles({notes});
  PumpMessages(100);
  EXPECT_TRUE(watch.Seen().empty());
  EXPECT_EQ(ListItemCount(), 0);
  EXPECT_EQ(StatusText(1), "notes.txt");
  EXPECT_EQ(StatusText(3), std::to_string(kTestDllNamedExports));
}

TEST_F(DropTest, FileWithChineseNameOpens) {
  const std::string folder = FreshTempFolder("kestrivo 测试");
  const std::string copy = folder + "\\导出函数.dll";
  ASSERT_TRUE(CopyFileUtf8(TestDllPath(), copy));
  ASSERT_EQ(DropFiles({copy}), kCopy);
  EXPECT_EQ(CurrentPath(), copy);
  EXPECT_EQ(StatusText(1), "导出函数.dll");
  EXPECT_EQ(ListItemCount(), kTestDllNamedExports);
  EXPECT_EQ(StatusText(3), std::to_string(kTestDllNamedExports));
  EXPECT_EQ(ListCellText(0, 1), "_Unwind_Backtrace");
}

TEST_F(DropTest, TwoHundredThousandRowsShowWithinASecond) {
  // 200,000 names over 65,536 functions (the ordinal table is 16-bit), each
  // function "ret 8".
  constexpr int kNames = 200000, kFunctions = 65536;
  FixtureDll dll;
  dll.functions.assign(kFunctions, FixtureFunction{{0xC2, 0x08, 0x00}, {}, false});
  for (int i = 0; i < kNames; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%06d", i);
    dll.names.push_back({name, static_cast<uint16_t>(i % kFunctions)});
  }
  const std::string path = FreshTempFolder("kestrivo-large") + "\\large.dll";
  ASSERT_TRUE(WriteFileUtf8(path, BuildDll(dll).bytes));

  // Wall time, and this thread's CPU time, which a busy machine does not inflate.
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ThreadCpuMilliseconds();
  ASSERT_EQ(DropFiles({path}), kCopy);
  ASSERT_EQ(ListItemCount(), kNames);
  const auto listed = std::chrono::steady_clock::now();
  UpdateWindow(window_);
  UpdateWindow(ExportsList());
  const double cpu = ThreadCpuMilliseconds() - cpuStart;
  const auto end = std::chrono::steady_clock::now();
  const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
  const auto drawing = std::chrono::duration_cast<std::chrono::milliseconds>(end - listed).count();
  std::printf("[   INFO   ] %d rows listed and drawn in %lld ms (drawing %lld ms), thread CPU %.0f ms\n", kNames,
              static_cast<long long>(wall), static_cast<long long>(drawing), cpu);
  EXPECT_LT(cpu, 1000.0);
  // The wall time also counts whatever else the machine is busy with; on an
  // idle machine it is well under a second.
  EXPECT_LT(wall, 3000);

  EXPECT_EQ(StatusText(3), "200000");
  EXPECT_EQ(ListCellText(0, 1), "f000000");
  EXPECT_EQ(ListCellText(kNames - 1, 1), "f199999");
  EXPECT_EQ(ListCellText(kNames - 1, 0), "0D40");  // index 199999 % 65536 = 0xD3F, shown + 1
  EXPECT_EQ(ListCellText(kNames - 1, 2), "2");     // ret 8: two 4-byte arguments
  // The list scrolls to its end without trouble.
  SendMessageW(ExportsList(), LVM_ENSUREVISIBLE, kNames - 1, FALSE);
  UpdateWindow(ExportsList());
  EXPECT_GE(SendMessageW(ExportsList(), LVM_GETTOPINDEX, 0, 0), kNames - 40);
}

}  // namespace
}  // namespace kestrivo::test
