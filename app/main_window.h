#pragma once
// The one window: caption, frame, status bar, exports list, drop target and
// open dialog, and the operations the handlers use on them.

#include <windows.h>
#include <ole2.h>

#include <string>

#include "app/exports_view_win32.h"

namespace kestrivo {

constexpr int kWindowWidth = 507;
constexpr int kWindowHeight = 466;
constexpr int kListWidth = 497;
constexpr int kListHeight = 416;
// Right edges of the six status parts.
constexpr int kStatusPartEdges[kStatusPartCount] = {50, 230, 265, 325, 385, 485};

// Creates the window and its controls, raises the created, moved and resized
// events, then shows it. Null when the window cannot be created.
HWND CreateMainWindow(HINSTANCE instance);

HWND MainWindow();
HWND StatusBar();
HWND ExportsList();
ListViewExports& MainExportsView();
// The drop target object (registered or not): tests drive drops through it.
IDropTarget* MainDropTarget();

// --- Operations of the window that the handlers use ---

// Registers the drop target on the window. Only the first call tries; it is
// false when the system refuses, and every later call is false.
bool RegisterDropTarget();
bool ShowOpenDialog();
// The dialog's remembered file name (UTF-8).
std::string DialogFileName();

// Outer (window-rectangle) sizes, frame and caption included.
int OuterWidth(HWND window);
int OuterHeight(HWND window);
// Set one dimension, keeping the position and the other; clamped to 0..32627.
void SetOuterWidth(HWND window, int width);
void SetOuterHeight(HWND window, int height);

// The first selected row of the exports list, or -1.
int SelectedRow();
// The stored text of a cell; "" for row -1.
std::string CellText(int row, int column);
void SetCaption(const std::string& text);

}  // namespace kestrivo
