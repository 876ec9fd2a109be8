// The main window as built: frame, placement, status bar, exports list, and
// the list following the window's size.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "app/main_window.h"
#include "app/text.h"
#include "gui_test_support.h"

namespace kestrivo::test {
namespace {

using FormTest = MainWindowTest;

RECT ChildRect(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(FormTest, WindowIsCentredTopmostAndHasOnlyACloseBox) {
  EXPECT_EQ(WindowCaption(window_), "Kestrivo");
  const LONG_PTR style = GetWindowLongPtrW(window_, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(window_, GW_OWNER), nullptr);
  EXPECT_EQ(GetMenu(window_), nullptr);

  RECT outer;
  GetWindowRect(window_, &outer);
  EXPECT_EQ(outer.right - outer.left, 507);
  EXPECT_EQ(outer.bottom - outer.top, 466);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 507) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 466) / 2);
}

TEST_F(FormTest, WindowHasIconsAndTheDefaultGuiFont) {
  EXPECT_NE(SendMessageW(window_, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window_, WM_GETICON, ICON_SMALL, 0), 0);
  const LRESULT guiFont = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  EXPECT_EQ(SendMessageW(window_, WM_GETFONT, 0, 0), guiFont);
  EXPECT_EQ(SendMessageW(StatusBar(), WM_GETFONT, 0, 0), guiFont);
  EXPECT_EQ(SendMessageW(ExportsList(), WM_GETFONT, 0, 0), guiFont);
}

TEST_F(FormTest, StatusBarHasSixFixedPartsWithoutSizeGrip) {
  HWND bar = StatusBar();
  int edges[8] = {};
  ASSERT_EQ(SendMessageW(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 6);
  const int expected[6] = {50, 230, 265, 325, 385, 485};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(edges[i], expected[i]) << "part " << i;

  EXPECT_EQ(StatusText(0), "文件名:");
  EXPECT_EQ(StatusText(1), "");
  EXPECT_EQ(StatusText(2), "函数:");
  EXPECT_EQ(StatusText(3), "");
  EXPECT_FALSE(StatusText(4).empty());
  EXPECT_FALSE(StatusText(5).empty());

  const LONG_PTR style = GetWindowLongPtrW(bar, GWL_STYLE);
  EXPECT_FALSE(style & SBARS_SIZEGRIP);
  EXPECT_TRUE(style & SBT_TOOLTIPS);
  EXPECT_FALSE(SendMessageW(bar, SB_ISSIMPLE, 0, 0));

  // Docked at the bottom, full width, and above the list in z-order.
  RECT client, rect = ChildRect(bar);
  GetClientRect(window_, &client);
  EXPECT_EQ(rect.bottom, client.bottom);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.right, client.right);
  EXPECT_EQ(GetWindow(window_, GW_CHILD), bar);
}

TEST_F(FormTest, ExportsListIsAReportWithFixedColumns) {
  HWND list = ExportsList();
  const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_NOSORTHEADER);
  EXPECT_TRUE(style & WS_TABSTOP);
  EXPECT_FALSE(style & LVS_SHOWSELALWAYS);
  EXPECT_FALSE(style & LVS_EDITLABELS);
  EXPECT_FALSE(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

  const LRESULT extended = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES),
            LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES);
  EXPECT_FALSE(extended & (LVS_EX_HEADERDRAGDROP | LVS_EX_CHECKBOXES | LVS_EX_TRACKSELECT));
  EXPECT_EQ(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
  EXPECT_EQ(SendMessageW(list, LVM_GETBKCOLOR, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0), RGB(0, 0, 0));

  struct Expected {
    const char* header;
    int width;
  } columns[] = {{"序号", 80}, {"函数名", 200}, {"参数", 50}, {"RAV", 80}, {"偏移", 80}};
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 5);
  for (int i = 0; i < 5; ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = text;
    column.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column)));
    EXPECT_EQ(Utf8FromWide(text), columns[i].header) << "column " << i;
    EXPECT_EQ(column.cx, columns[i].width) << "column " << i;
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
  }
  EXPECT_EQ(ListItemCount(), 0);
  EXPECT_EQ(SelectedRow(), -1);
}

TEST_F(FormTest, ListFollowsTheWindowSizeFromTheFirstFrame) {
  HWND list = ExportsList();
  const int statusHeight = OuterHeight(StatusBar());
  EXPECT_GT(statusHeight, 0);
  RECT rect = ChildRect(list);
  EXPECT_EQ(rect.left, -1);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 507 - 12);
  EXPECT_EQ(rect.bottom - rect.top, 466 - 20 - statusHeight);

  SetWindowPos(window_, nullptr, 0, 0, 700, 520, SWP_NOMOVE | SWP_NOZORDER);
  PumpMessages(20);
  rect = ChildRect(list);
  EXPECT_EQ(rect.left, -1);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 700 - 12);
  EXPECT_EQ(rect.bottom - rect.top, 520 - 20 - OuterHeight(StatusBar()));

  // The status bar was re-docked before the list took its size.
  RECT client, bar = ChildRect(StatusBar());
  GetClientRect(window_, &client);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.right, client.right);
}

// What the window looked like when it was first shown.
struct FirstShow {
  bool seen = false;
  int listWidth = 0, listHeight = 0, statusHeight = 0;
  HRESULT secondRegistration = S_OK;
};
FirstShow g_firstShow;

LRESULT CALLBACK WatchFirstShow(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  wchar_t className[64] = {};
  if (code == HC_ACTION && call->message == WM_SHOWWINDOW && call->wParam && !g_firstShow.seen &&
      GetClassNameW(call->hwnd, className, 64) && std::wstring(className) == L"KestrivoMainWindow") {
    g_firstShow.seen = true;
    g_firstShow.listWidth = OuterWidth(ExportsList());
    g_firstShow.listHeight = OuterHeight(ExportsList());
    g_firstShow.statusHeight = OuterHeight(StatusBar());
    // The created event registered the drop target already.
    IDropTarget* other = MainDropTarget();
    g_firstShow.secondRegistration = RegisterDragDrop(call->hwnd, other);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(StartUpTest, CreatedAndResizedEventsRunBeforeTheWindowIsShown) {
  g_firstShow = FirstShow{};
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchFirstShow, nullptr, GetCurrentThreadId());
  HWND window = CreateMainWindow(GetModuleHandleW(nullptr));
  UnhookWindowsHookEx(hook);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(g_firstShow.seen);
  EXPECT_EQ(g_firstShow.listWidth, 507 - 12);
  EXPECT_EQ(g_firstShow.listHeight, 466 - 20 - g_firstShow.statusHeight);
  EXPECT_EQ(g_firstShow.secondRegistration, DRAGDROP_E_ALREADYREGISTERED);
  // Only the first registration tries.
  EXPECT_FALSE(RegisterDropTarget());
  DestroyWindow(window);
  PumpMessages(20);
}

TEST_F(FormTest, OuterSizesAreClampedToTheAllowedRange) {
  HWND list = ExportsList();
  SetOuterWidth(list, -5);
  EXPECT_EQ(OuterWidth(list), 0);
  SetOuterHeight(list, 40000);
  EXPECT_EQ(OuterHeight(list), 32627);
  EXPECT_EQ(OuterWidth(list), 0);
  SetOuterWidth(list, 123);
  EXPECT_EQ(OuterWidth(list), 123);
  EXPECT_EQ(OuterHeight(list), 32627);
}

TEST_F(FormTest, ThemedCommonControlsAreLoaded) {
  // Wine reports version 5.81 even for version 6, so check where it came from:
  // the manifest's dependency loads comctl32 from the side-by-side store.
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(comctl, path, MAX_PATH);
  std::wstring lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
  EXPECT_NE(lower.find(L"winsxs"), std::wstring::npos) << Utf8FromWide(path);
  EXPECT_NE(lower.find(L"common-controls"), std::wstring::npos) << Utf8FromWide(path);
}

int CALLBACK CountFont(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return 1;
}

TEST(FontTest, AChineseFontIsInstalled) {
  // Without one, every Chinese text of the window draws as boxes.
  HDC screen = GetDC(nullptr);
  LOGFONTW wanted = {};
  wanted.lfCharSet = GB2312_CHARSET;
  int count = 0;
  EnumFontFamiliesExW(screen, &wanted, CountFont, reinterpret_cast<LPARAM>(&count), 0);
  ReleaseDC(nullptr, screen);
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace kestrivo::test
