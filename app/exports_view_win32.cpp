#include "app/exports_view_win32.h"

#include <algorithm>
#include <limits>

#include "app/text.h"

namespace kestrivo {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

void ListViewExports::Attach(HWND list, HWND statusBar) {
  list_ = list;
  statusBar_ = statusBar;
  rows_.clear();
  texts_.clear();
}

void ListViewExports::ClearRows() {
  rows_.clear();
  texts_.clear();
  // The list must not ask for rows that are gone, e.g. while an error box repaints.
  if (list_) SendMessageW(list_, LVM_SETITEMCOUNT, 0, 0);
}

int ListViewExports::AppendRow(const std::string& text) {
  rows_.emplace_back();
  const int row = static_cast<int>(rows_.size()) - 1;
  SetCellText(row, 0, text);
  return row;
}

void ListViewExports::SetCellText(int row, int column, const std::string& text) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || column < 0 || column >= 5) return;
  // A text that would not fit the 32-bit positions stays empty; memory runs
  // out long before in practice.
  if (texts_.size() + text.size() > std::numeric_limits<uint32_t>::max()) return;
  // A replaced text stays in the buffer unused; the listing sets every cell once.
  Span& cell = rows_[static_cast<size_t>(row)].cells[column];
  cell.start = static_cast<uint32_t>(texts_.size());
  cell.length = static_cast<uint32_t>(text.size());
  texts_ += text;
}

int ListViewExports::RowCount() { return static_cast<int>(rows_.size()); }

void ListViewExports::SetStatusText(int part, const std::string& text) {
  if (part < 0 || part >= kStatusPartCount || !statusBar_) return;
  const std::wstring wide = WideFromUtf8(text);
  SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(wide.c_str()));
}

void ListViewExports::ShowError(const std::string& text) {
  MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8("信息：").c_str(),
              MB_ICONERROR | MB_TASKMODAL | MB_OK);
}

void ListViewExports::ShowRows() {
  if (list_) SendMessageW(list_, LVM_SETITEMCOUNT, rows_.size(), 0);
}

std::string_view ListViewExports::Cell(int row, int column) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size() || column < 0 || column >= 5) return {};
  const Span& cell = rows_[static_cast<size_t>(row)].cells[column];
  return std::string_view(texts_).substr(cell.start, cell.length);
}

int ListViewExports::FindRow(const NMLVFINDITEMW& request) const {
  const LVFINDINFOW& find = request.lvfi;
  if (!(find.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.psz || rows_.empty()) return -1;
  const std::string wanted = Utf8FromWide(find.psz);
  const bool partial = find.flags & LVFI_PARTIAL;
  const size_t count = rows_.size();
  const size_t first = request.iStart >= 0 && static_cast<size_t>(request.iStart) < count ? request.iStart : 0;
  const size_t steps = (find.flags & LVFI_WRAP) ? count : count - first;
  for (size_t step = 0; step < steps; ++step) {
    const size_t row = (first + step) % count;
    const std::string_view text = Cell(static_cast<int>(row), 0);
    const bool match = partial ? text.size() >= wanted.size() && EqualNoCase(text.substr(0, wanted.size()), wanted)
                               : EqualNoCase(text, wanted);
    if (match) return static_cast<int>(row);
  }
  return -1;
}

void ListViewExports::FillDisplayInfo(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  const std::string cell(Cell(item.iItem, item.iSubItem));
  // Names are bytes of the ANSI code page; the other columns are ASCII.
  const std::wstring wide = item.iSubItem == 1 ? WideFromAnsi(cell) : WideFromUtf8(cell);
  const size_t count = std::min(wide.size(), static_cast<size_t>(item.cchTextMax) - 1);
  wide.copy(item.pszText, count);
  item.pszText[count] = L'\0';
}

}  // namespace kestrivo
