// Clicks, double-clicks and keys on the exports list: copying a name, the open
// dialog, and Esc closing the window. Mouse and key input is posted to the
// controls as the system would deliver it.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/text.h"
#include "gui_test_support.h"
#include "tests/engine/pe_fixture.h"

namespace kestrivo::test {
namespace {

constexpr int kFileTypeCombo = 0x470;  // cmb1 of the open dialog
// "导出" in the ANSI code page of a Chinese system (GBK), as a DLL stores it.
const std::string kGbkName = "\xB5\xBC\xB3\xF6";

// A small DLL: three names, the second one non-ASCII.
std::string WriteSmallDll(const std::string& folderName, const std::string& fileName) {
  const std::vector<uint8_t> ret = {0xC2, 0x04, 0x00};
  const BuiltDll dll = SimpleDll({{"Alpha", ret}, {kGbkName, ret}, {"Gamma", {0xC3}}});
  const std::string path = FreshTempFolder(folderName) + "\\" + fileName;
  WriteFileUtf8(path, dll.bytes);
  return path;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

void PostClick(HWND control, POINT at, bool twice = false) {
  const LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(control, WM_LBUTTONUP, 0, where);
  if (twice) {
    PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageW(control, WM_LBUTTONUP, 0, where);
  }
  PumpMessages(100);
}

// The middle of the row's name cell, in list coordinates.
POINT RowPoint(int row) {
  RECT rect = {};
  rect.left = LVIR_BOUNDS;
  SendMessageW(ExportsList(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
  return {120, (rect.top + rect.bottom) / 2};
}

POINT BelowLastRow() {
  RECT client;
  GetClientRect(ExportsList(), &client);
  return {120, client.bottom - 10};
}

using ListEventTest = MainWindowTest;

TEST_F(ListEventTest, ClickOnARowCopiesItsName) {
  ASSERT_EQ(DropFiles({WriteSmallDll("kestrivo-click", "small.dll")}), DROPEFFECT_COPY);
  ASSERT_EQ(ListItemCount(), 3);
  PutClipboardMarker("marker");

  PostClick(ExportsList(), RowPoint(0));
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_EQ(WindowCaption(window_), "Alpha 已复制");
  EXPECT_EQ(ClipboardAnsiText(), "Alpha");
  EXPECT_EQ(ClipboardUnicodeText(), "Alpha");

  // A name in the ANSI code page: the text format gets its bytes unchanged,
  // the caption and the Unicode format its characters.
  PostClick(ExportsList(), RowPoint(1));
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(ListCellText(1, 1), "导出");
  EXPECT_EQ(WindowCaption(window_), "导出 已复制");
  EXPECT_EQ(ClipboardAnsiText(), kGbkName);
  EXPECT_EQ(ClipboardUnicodeText(), "导出");
}

// Another thread keeps the clipboard open until `release` is set.
struct ClipboardHolder {
  HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  bool held = false;
};

DWORD WINAPI HoldClipboard(void* parameter) {
  auto* holder = static_cast<ClipboardHolder*>(parameter);
  // Opened for a window of this thread, as another program would.
  HWND owner = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  holder->held = OpenClipboard(owner);
  SetEvent(holder->opened);
  WaitForSingleObject(holder->release, 5000);
  if (holder->held) CloseClipboard();
  DestroyWindow(owner);
  return 0;
}

TEST_F(ListEventTest, ClipboardHeldElsewhereStillSetsTheCaption) {
  ASSERT_EQ(DropFiles({WriteSmallDll("kestrivo-click", "small.dll")}), DROPEFFECT_COPY);
  PutClipboardMarker("marker");
  ClipboardHolder holder;
  HANDLE thread = CreateThread(nullptr, 0, HoldClipboard, &holder, 0, nullptr);
  WaitForSingleObject(holder.opened, 5000);
  ASSERT_TRUE(holder.held);
  PostClick(ExportsList(), RowPoint(0));
  EXPECT_EQ(WindowCaption(window_), "Alpha 已复制");
  SetEvent(holder.release);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(holder.opened);
  CloseHandle(holder.release);
  EXPECT_EQ(ClipboardAnsiText(), "marker");
}

TEST_F(ListEventTest, ClickBelowTheRowsRestoresTheTitleAndKeepsTheClipboard) {
  ASSERT_EQ(DropFiles({WriteSmallDll("kestrivo-click", "small.dll")}), DROPEFFECT_COPY);
  PostClick(ExportsList(), RowPoint(2));
  ASSERT_EQ(WindowCaption(window_), "Gamma 已复制");

  PostClick(ExportsList(), BelowLastRow());
  EXPECT_EQ(SelectedRow(), -1);
  EXPECT_EQ(WindowCaption(window_), "Kestrivo");
  EXPECT_EQ(ClipboardAnsiText(), "Gamma");

  // A new listing keeps the caption of the last copy.
  PostClick(ExportsList(), RowPoint(0));
  ASSERT_EQ(DropFiles({TestDllPath()}), DROPEFFECT_COPY);
  EXPECT_EQ(WindowCaption(window_), "Alpha 已复制");
}

TEST_F(ListEventTest, ClickOnTheHeaderDoesNothing) {
  ASSERT_EQ(DropFiles({WriteSmallDll("kestrivo-click", "small.dll")}), DROPEFFECT_COPY);
  PostClick(ExportsList(), RowPoint(0));
  ASSERT_EQ(WindowCaption(window_), "Alpha 已复制");
  HWND header = reinterpret_cast<HWND>(SendMessageW(ExportsList(), LVM_GETHEADER, 0, 0));
  DialogWatch watch(PressCancel);
  PostClick(header, {40, 8}, true);
  PumpMessages(200);
  EXPECT_TRUE(watch.Seen().empty());
  EXPECT_EQ(WindowCaption(window_), "Alpha 已复制");
  // Not sorted: the rows keep the name table's order.
  EXPECT_EQ(ListCellText(0, 1), "Alpha");
  EXPECT_EQ(ListCellText(2, 1), "Gamma");
}

TEST_F(ListEventTest, DoubleClickOpensTheDialogAndListsTheChosenFile) {
  const std::string first = WriteSmallDll("kestrivo-dialog-1", "first.dll");
  const std::string second = WriteSmallDll("kestrivo-dialog-2", "second.dll");
  int fileTypeIndex = -2;
  std::vector<std::string> fileTypes;
  auto chooseFirst = [&](HWND dialog) {
    HWND types = GetDlgItem(dialog, kFileTypeCombo);
    fileTypeIndex = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
    const int count = static_cast<int>(SendMessageW(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[128] = {};
      SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      fileTypes.push_back(Utf8FromWide(text));
    }
    ChooseFile(first)(dialog);
  };
  {
    DialogWatch watch(chooseFirst);
    PostClick(ExportsList(), BelowLastRow(), true);
    PumpUntil([&] { return ListItemCount() == 3; }, 3000);
    ASSERT_EQ(watch.Seen().size(), 1u);
    EXPECT_EQ(watch.Seen()[0].fileName, "");  // empty the first time
  }
  EXPECT_EQ(fileTypeIndex, 0);
  EXPECT_EQ(fileTypes, (std::vector<std::string>{"所有文件(*.*)", "可执行文件(*.exe)", "动态链接库(*.dll)"}));
  EXPECT_EQ(ListItemCount(), 3);
  EXPECT_EQ(CurrentPath(), first);
  EXPECT_EQ(DialogFileName(), first);
  EXPECT_EQ(StatusText(1), "first.dll");
  EXPECT_EQ(StatusText(3), "3");
  // The dialog does not keep the current directory.
  EXPECT_EQ(CurrentDirectory(), FolderOf(first));

  // A double-click on a row copies its name first, then opens the dialog,
  // which shows the path chosen last.
  {
    DialogWatch watch(ChooseFile(second));
    PostClick(ExportsList(), RowPoint(2), true);
    PumpUntil([&] { return CurrentPath() == second; }, 3000);
    ASSERT_EQ(watch.Seen().size(), 1u);
    // The box shows the remembered path, or its file name in the folder it opened in.
    const std::string shown = watch.Seen()[0].fileName;
    EXPECT_TRUE(shown == first || shown == "first.dll") << shown;
  }
  EXPECT_EQ(WindowCaption(window_), "Gamma 已复制");
  EXPECT_EQ(CurrentPath(), second);
  EXPECT_EQ(StatusText(1), "second.dll");
  EXPECT_EQ(CurrentDirectory(), FolderOf(second));
}

TEST_F(ListEventTest, CancelledDialogChangesNothing) {
  ASSERT_EQ(DropFiles({TestDllPath()}), DROPEFFECT_COPY);
  const std::string directory = CurrentDirectory();
  const std::string remembered = DialogFileName();
  DialogWatch watch(PressCancel);
  PostClick(ExportsList(), BelowLastRow(), true);
  PumpMessages(300);
  ASSERT_EQ(watch.Seen().size(), 1u);
  EXPECT_EQ(ListItemCount(), kTestDllNamedExports);
  EXPECT_EQ(CurrentPath(), TestDllPath());
  EXPECT_EQ(StatusText(1), "libgcc_s_dw2-1.dll");
  EXPECT_EQ(DialogFileName(), remembered);
  EXPECT_EQ(CurrentDirectory(), directory);
}

TEST_F(ListEventTest, KeyboardSelectionCopiesNothing) {
  ASSERT_EQ(DropFiles({WriteSmallDll("kestrivo-click", "small.dll")}), DROPEFFECT_COPY);
  PutClipboardMarker("marker");
  SetFocus(ExportsList());
  // Type-ahead over the ordinal column, then the arrow keys.
  for (char c : std::string("0003")) PostMessageW(ExportsList(), WM_CHAR, static_cast<WPARAM>(c), 1);
  PumpMessages(100);
  EXPECT_EQ(SelectedRow(), 2);
  PostMessageW(ExportsList(), WM_KEYDOWN, VK_UP, 1);
  PumpMessages(100);
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(WindowCaption(window_), "Kestrivo");
  EXPECT_EQ(ClipboardAnsiText(), "marker");
}

TEST_F(ListEventTest, EscapeInTheListClosesTheWindow) {
  SetFocus(ExportsList());
  ASSERT_EQ(GetFocus(), ExportsList());
  PostMessageW(ExportsList(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window_); }, 2000));
}

TEST_F(ListEventTest, EscapeOnTheWindowClosesIt) {
  PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window_); }, 2000));
}

TEST_F(ListEventTest, OtherKeysLeaveTheWindowOpen) {
  SetFocus(ExportsList());
  PostMessageW(ExportsList(), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(ExportsList(), WM_KEYDOWN, VK_F1, 0);
  PostMessageW(window_, WM_KEYDOWN, VK_RETURN, 0);
  PumpMessages(200);
  EXPECT_TRUE(IsWindow(window_));
}

}  // namespace
}  // namespace kestrivo::test
