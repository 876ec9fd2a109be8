#include "app/exports_view_win32.h"

#include <algorithm>
#include <limits>

#include "app/text.h"

namespace kestrivo {

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
