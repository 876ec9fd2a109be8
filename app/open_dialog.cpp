#include "app/open_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <cwctype>
#include <vector>

#include "app/text.h"

namespace kestrivo {
namespace {

constexpr const char* kFilter = "所有文件(*.*)|*.*|可执行文件(*.exe)|*.exe|动态链接库(*.dll)|*.dll";
constexpr size_t kPathCapacity = 32768;  // the longest path Windows has

std::wstring CurrentDirectory() {
  std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
  folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
  return folder;
}

}  // namespace

std::wstring DialogFilterFromText(const std::string& filterUtf8) {
  std::wstring filter = WideFromUtf8(filterUtf8);
  while (!filter.empty() && iswspace(filter.back())) filter.pop_back();
  if (filter.size() < 2 || filter.compare(filter.size() - 2, 2, L"||") != 0) filter += L"||";
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  return filter;
}

bool ShowOpenDialog(OpenDialog& dialog, HWND owner) {
  const std::wstring filter = DialogFilterFromText(kFilter);
  std::vector<wchar_t> file(kPathCapacity, L'\0');
  dialog.fileName.copy(file.data(), std::min(dialog.fileName.size(), kPathCapacity - 1));

  OPENFILENAMEW request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFilter = filter.c_str();
  request.nFilterIndex = 1;
  request.lpstrFile = file.data();
  request.nMaxFile = static_cast<DWORD>(file.size());
  // No OFN_NOCHANGEDIR: the chosen file's folder becomes the current directory.
  request.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  // The dialog may move the current directory while the user browses, and
  // systems differ in what they leave behind. Settle it: a cancelled dialog
  // changes nothing, an accepted one leaves the chosen file's folder current.
  const std::wstring before = CurrentDirectory();
  if (!GetOpenFileNameW(&request)) {
    SetCurrentDirectoryW(before.c_str());
    return false;
  }
  dialog.fileName = file.data();
  SetCurrentDirectoryW(dialog.fileName.substr(0, request.nFileOffset).c_str());
  return true;
}

}  // namespace kestrivo
