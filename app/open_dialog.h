#pragma once
// The open-file dialog. It remembers the last chosen path, which pre-fills the
// next use, and leaves the current directory where the system puts it (the
// chosen file's folder).

#include <windows.h>

#include <string>

namespace kestrivo {

// "desc|pattern|desc|pattern" as the dialog wants it: pairs separated by NULs
// and ended by an empty pair. Trailing white space is dropped first.
std::wstring DialogFilterFromText(const std::string& filterUtf8);

struct OpenDialog {
  std::wstring fileName;  // the last path accepted; empty at start
};

// Shows `dialog` modally over `owner`. True when a file was accepted; its full
// path is then in dialog.fileName. False on cancel, with nothing changed.
bool ShowOpenDialog(OpenDialog& dialog, HWND owner);

}  // namespace kestrivo
