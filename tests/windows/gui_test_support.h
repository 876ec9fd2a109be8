#pragma once
// Helpers for tests that drive the real main window inside the test process:
// message pumping, a data object for drops, a watcher that deals with modal
// dialogs from a timer, and readers for the controls' state.

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrivo::test {

// "Z:\usr\lib\..." for a path of the machine Wine runs on.
std::string WindowsPathOf(const std::string& unixPath);
// A real PE32 DLL with 124 named exports (MinGW's libgcc_s_dw2-1.dll).
std::string TestDllPath();
constexpr int kTestDllNamedExports = 124;

// Handles the messages of this thread for `milliseconds`; swallows the quit
// request that closing the window posts.
void PumpMessages(int milliseconds);
// Pumps until `done` or the time is up; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int milliseconds);

// A data object that offers either CF_HDROP with `paths` (UTF-8) or, with
// `asText`, CF_UNICODETEXT only. Created with one reference.
IDataObject* NewFileDataObject(const std::vector<std::string>& paths, bool asText = false);

// Drags `paths` over the main window and drops them through its drop target,
// as OLE would: DragEnter, DragOver, Drop. Returns the effect Drop reported.
DWORD DropFiles(const std::vector<std::string>& paths, DWORD keyState = 0,
                DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);

// A modal dialog (#32770) seen by the watcher.
struct SeenDialog {
  std::string caption;
  std::string text;      // a message box's text
  std::string fileName;  // an open dialog's file-name box as it opened
};

// While a DialogWatch lives, a timer finds every new dialog of this thread,
// records it, and hands it to `act`.
class DialogWatch {
 public:
  explicit DialogWatch(std::function<void(HWND dialog)> act);
  ~DialogWatch();
  const std::vector<SeenDialog>& Seen() const;
};

// Actions for DialogWatch.
void PressOk(HWND dialog);
void PressCancel(HWND dialog);
// Types `path` (UTF-8) into an open dialog's file-name box and accepts it.
std::function<void(HWND)> ChooseFile(const std::string& path);

// State of the controls, as UTF-8.
std::string WindowCaption(HWND window);
std::string StatusText(int part);
int ListItemCount();
std::string ListCellText(int row, int column);
std::string CurrentDirectory();

// Clipboard contents: CF_TEXT as bytes, CF_UNICODETEXT as UTF-8; "" when absent.
std::string ClipboardAnsiText();
std::string ClipboardUnicodeText();
void PutClipboardMarker(const std::string& ascii);

// A folder under the temp folder (UTF-8), made fresh; `name` may be non-ASCII.
std::string FreshTempFolder(const std::string& name);
bool CopyFileUtf8(const std::string& from, const std::string& to);
bool WriteFileUtf8(const std::string& path, const std::vector<uint8_t>& bytes);

// Each test gets a freshly created main window, shown and idle; it is
// destroyed afterwards if the test did not close it.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  HWND window_ = nullptr;
};

}  // namespace kestrivo::test
