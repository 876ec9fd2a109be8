#pragma once
// The clipboard as plain text.

#include <string>

namespace kestrivo {

// Puts `bytes` (text in the ANSI code page, such as an export name) on the
// clipboard: CF_TEXT byte for byte, and CF_UNICODETEXT decoded with the ANSI
// code page. False, changing nothing, when the clipboard cannot be opened.
bool SetClipboardText(const std::string& bytes);

}  // namespace kestrivo
