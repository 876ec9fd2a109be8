#include "app/clipboard.h"

#include <windows.h>

#include <cstring>

#include "app/text.h"

namespace kestrivo {
namespace {

// Hands `size` bytes to the clipboard as `format`; the clipboard owns them then.
void PutOnClipboard(UINT format, const void* data, size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return;
  void* target = GlobalLock(memory);
  if (!target) {
    GlobalFree(memory);
    return;
  }
  std::memcpy(target, data, size);
  GlobalUnlock(memory);
  if (!SetClipboardData(format, memory)) GlobalFree(memory);
}

}  // namespace

bool SetClipboardText(const std::string& bytes) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  PutOnClipboard(CF_TEXT, bytes.c_str(), bytes.size() + 1);
  const std::wstring wide = WideFromAnsi(bytes);
  PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  CloseClipboard();
  return true;
}

}  // namespace kestrivo
