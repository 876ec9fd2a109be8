#pragma once
// Text at the Win32 boundary. Inside, the program keeps UTF-8 (paths, its own
// texts) and raw bytes (export names); the W functions take UTF-16.

#include <string>

namespace kestrivo {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
// Export names are bytes in the system's ANSI code page; this is how they show.
std::wstring WideFromAnsi(const std::string& bytes);
std::string Utf8FromAnsi(const std::string& bytes);

}  // namespace kestrivo
