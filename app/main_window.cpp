#include "app/main_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/drop_target.h"
#include "app/handlers.h"
#include "app/open_dialog.h"
#include "app/text.h"
#include "resources/resource_ids.h"

namespace kestrivo {
namespace {

constexpr const wchar_t* kWindowClass = L"KestrivoMainWindow";
constexpr int kLargestOuterSize = 32627;

// Fixed texts of status parts 0, 2, 4 and 5; parts 1 and 3 are filled at run time.
constexpr const char* kStatusTexts[kStatusPartCount] = {"文件名:", "", "函数:", "", "PE32", "拖入或双击打开"};

struct ColumnSpec {
  const char* header;
  int width;
};
constexpr ColumnSpec kColumns[] = {{"序号", 80}, {"函数名", 200}, {"参数", 50}, {"RAV", 80}, {"偏移", 80}};

struct MainWindowParts {
  HWND window = nullptr;
  HWND statusBar = nullptr;
  HWND list = nullptr;
  HFONT font = nullptr;
  ListViewExports view;
  FileDropTarget* dropTarget = nullptr;
  bool dropTargetTried = false;
  OpenDialog dialog;
  // Off while the window and its controls are being built: no event reaches a
  // handler then, not even the size changes that creation causes.
  bool eventsOn = false;
};

MainWindowParts g_main;

bool ModifierDown() {
  return GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0;
}

// Esc without Ctrl, Shift or Alt asks the window to close, like its close box.
void CloseOnEscape(WPARAM key) {
  if (key == VK_ESCAPE && !ModifierDown()) PostMessageW(g_main.window, WM_CLOSE, 0, 0);
}

LRESULT HandleListNotification(NMHDR& header) {
  switch (header.code) {
    case LVN_GETDISPINFOW:
      g_main.view.FillDisplayInfo(reinterpret_cast<NMLVDISPINFOW&>(header));
      return 0;
    case NM_CLICK:
      if (g_main.eventsOn) OnExportsListClicked();
      return 0;
    case NM_DBLCLK: {
      if (!g_main.eventsOn) return 0;
      const auto& activate = reinterpret_cast<NMITEMACTIVATE&>(header);
      // LVKF_CONTROL, LVKF_SHIFT and LVKF_ALT are 1, 2 and 4.
      OnExportsListDoubleClicked(activate.ptAction.x, activate.ptAction.y, static_cast<int>(activate.uKeyFlags));
      return 0;
    }
    case LVN_ODFINDITEMW:
      // Typing in the list jumps to a row whose ordinal starts with the keys.
      return g_main.view.FindRow(reinterpret_cast<NMLVFINDITEMW&>(header));
    case LVN_KEYDOWN:
      CloseOnEscape(reinterpret_cast<NMLVKEYDOWN&>(header).wVKey);
      return 0;
    default:
      return 0;
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      // Re-dock the status bar first: the resized handler reads its height.
      if (g_main.statusBar) SendMessageW(g_main.statusBar, WM_SIZE, 0, 0);
      if (g_main.eventsOn) OnMainWindowResized();
      return 0;
    case WM_NOTIFY: {
      NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.hwndFrom == g_main.list && g_main.list) return HandleListNotification(header);
      break;
    }
    case WM_KEYDOWN:
      CloseOnEscape(wParam);
      return 0;
    case WM_SETFOCUS:
      // The list is the only control that takes the keyboard focus.
      if (g_main.list) SetFocus(g_main.list);
      return 0;
    case WM_SETFONT:
      g_main.font = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(g_main.font);
    case WM_DESTROY:
      if (g_main.dropTarget) {
        RevokeDragDrop(window);
        g_main.dropTarget->Release();
      }
      g_main.eventsOn = false;
      g_main.view.Attach(nullptr, nullptr);
      g_main.dropTarget = nullptr;
      g_main.dropTargetTried = false;
      g_main.window = g_main.statusBar = g_main.list = nullptr;
      // The program's only window is gone: end the message loop.
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HICON LoadAppIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_KESTRIVO), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric),
                                       LR_DEFAULTCOLOR));
}

bool RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass = {};
  if (GetClassInfoExW(instance, kWindowClass, &windowClass)) return true;
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadAppIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassExW(&windowClass) != 0;
}

HWND CreateStatusBar(HWND parent, HINSTANCE instance) {
  HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBT_TOOLTIPS, 0, 0, 0, 0,
                             parent, nullptr, instance, nullptr);
  if (!bar) return nullptr;
  // Some comctl32 versions add a size grip under a sizable parent on their own.
  SetWindowLongPtrW(bar, GWL_STYLE, GetWindowLongPtrW(bar, GWL_STYLE) & ~static_cast<LONG_PTR>(SBARS_SIZEGRIP));
  SendMessageW(bar, WM_SETFONT, reinterpret_cast<WPARAM>(g_main.font), FALSE);
  SendMessageW(bar, SB_SIMPLE, FALSE, 0);
  int edges[kStatusPartCount];
  std::copy(std::begin(kStatusPartEdges), std::end(kStatusPartEdges), edges);
  SendMessageW(bar, SB_SETPARTS, kStatusPartCount, reinterpret_cast<LPARAM>(edges));
  for (int part = 0; part < kStatusPartCount; ++part) {
    const std::wstring text = WideFromUtf8(kStatusTexts[part]);
    SendMessageW(bar, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.c_str()));
  }
  return bar;
}

HWND CreateExportsList(HWND parent, HINSTANCE instance) {
  // No LVS_SHOWSELALWAYS: the selection is kept but not drawn without focus.
  // WS_CLIPSIBLINGS: the list's lower edge lies under the status bar, which is
  // above it and must not be painted over.
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                      LVS_NOSORTHEADER | LVS_OWNERDATA;
  HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, nullptr, style, -1, 0, kListWidth, kListHeight,
                              parent, nullptr, instance, nullptr);
  if (!list) return nullptr;
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(g_main.font), FALSE);
  const DWORD extended = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
  SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
  SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
  int index = 0;
  for (const ColumnSpec& spec : kColumns) {
    std::wstring header = WideFromUtf8(spec.header);
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = spec.width;
    column.pszText = header.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    ++index;
  }
  return list;
}

void ClampAndResize(HWND window, int width, int height) {
  width = std::clamp(width, 0, kLargestOuterSize);
  height = std::clamp(height, 0, kLargestOuterSize);
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FilesDropped(const std::string& text) {
  if (g_main.eventsOn) OnFileDropped(text);
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterWindowClass(instance)) return nullptr;

  // Centred on the primary screen; integer division drops the fraction toward zero.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  g_main = MainWindowParts{};
  HWND window = CreateWindowExW(WS_EX_TOPMOST, kWindowClass, L"Kestrivo", style, x, y, kWindowWidth,
                                kWindowHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  g_main.window = window;
  RECT outer;
  GetWindowRect(window, &outer);
  if (outer.right - outer.left != kWindowWidth || outer.bottom - outer.top != kWindowHeight) {
    SetWindowPos(window, nullptr, x, y, kWindowWidth, kWindowHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  g_main.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(g_main.font), FALSE);
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadAppIcon(instance, SM_CXICON, SM_CYICON)));
  SendMessageW(window, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadAppIcon(instance, SM_CXSMICON, SM_CYSMICON)));

  g_main.statusBar = CreateStatusBar(window, instance);
  g_main.list = CreateExportsList(window, instance);
  if (!g_main.statusBar || !g_main.list) {
    DestroyWindow(window);
    return nullptr;
  }
  // Where the two overlap, the status bar is seen.
  SetWindowPos(g_main.statusBar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageW(g_main.statusBar, WM_SIZE, 0, 0);
  g_main.view.Attach(g_main.list, g_main.statusBar);
  g_main.dropTarget = new FileDropTarget(FilesDropped);

  // The first events, each only while the window still exists: created, moved
  // (nothing is bound to it), resized. Only then is the window shown.
  g_main.eventsOn = true;
  if (IsWindow(window)) OnMainWindowCreated();
  if (IsWindow(window)) OnMainWindowResized();
  if (!IsWindow(window)) return nullptr;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

HWND MainWindow() { return g_main.window; }
HWND StatusBar() { return g_main.statusBar; }
HWND ExportsList() { return g_main.list; }
ListViewExports& MainExportsView() { return g_main.view; }
IDropTarget* MainDropTarget() { return g_main.dropTarget; }

bool RegisterDropTarget() {
  if (g_main.dropTargetTried || !g_main.dropTarget) return false;
  g_main.dropTargetTried = true;
  return RegisterDragDrop(g_main.window, g_main.dropTarget) == S_OK;
}

bool ShowOpenDialog() { return ShowOpenDialog(g_main.dialog, g_main.window); }

std::string DialogFileName() { return Utf8FromWide(g_main.dialog.fileName); }

int OuterWidth(HWND window) {
  RECT outer = {};
  GetWindowRect(window, &outer);
  return outer.right - outer.left;
}

int OuterHeight(HWND window) {
  RECT outer = {};
  GetWindowRect(window, &outer);
  return outer.bottom - outer.top;
}

void SetOuterWidth(HWND window, int width) { ClampAndResize(window, width, OuterHeight(window)); }

void SetOuterHeight(HWND window, int height) { ClampAndResize(window, OuterWidth(window), height); }

int SelectedRow() {
  if (!g_main.list) return -1;
  return static_cast<int>(SendMessageW(g_main.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string CellText(int row, int column) { return std::string(g_main.view.Cell(row, column)); }

void SetCaption(const std::string& text) {
  if (g_main.window) SetWindowTextW(g_main.window, WideFromUtf8(text).c_str());
}

}  // namespace kestrivo
