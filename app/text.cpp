#include "app/text.h"

#include <windows.h>

namespace kestrivo {
namespace {

std::wstring WideFrom(UINT codePage, const std::string& text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& text) { return WideFrom(CP_UTF8, text); }

std::wstring WideFromAnsi(const std::string& bytes) { return WideFrom(CP_ACP, bytes); }

std::string Utf8FromAnsi(const std::string& bytes) { return Utf8FromWide(WideFromAnsi(bytes)); }

std::string Utf8FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                      nullptr);
  return narrow;
}

}  // namespace kestrivo
