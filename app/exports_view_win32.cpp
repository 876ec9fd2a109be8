#include "app/exports_view_win32.h"

#include <algorithm>

#include "app/text.h"

namespace kestrivo {
namespace {

const std::string kNoText;

// The cell of `column` in `row` (ExportRow or const ExportRow), or null.
template <typename Row>
auto ColumnOf(Row& row, int column) -> decltype(&row.name) {
  switch (column) {
    case 0: return &row.ordinal;
    case 1: return &row.name;
    case 2: return &row.args;
    case 3: return &row.rva;
    case 4: return &row.offset;
    default: return nullptr;
  }
}

}  // namespace

void ListViewExports::Attach(HWND list, HWND statusBar) {
  list_ = list;
  statusBar_ = statusBar;
  rows_.clear();
}

void ListViewExports::ClearRows() {
  rows_.clear();
  // The list must not ask for rows that are gone, e.g. while an error box repaints.
  if (list_) SendMessageW(list_, LVM_SETITEMCOUNT, 0, 0);
}

int ListViewExports::AppendRow(const std::string& text) {
  rows_.push_back(ExportRow{text, {}, {}, {}, {}});
  return static_cast<int>(rows_.size()) - 1;
}

void ListViewExports::SetCellText(int row, int column, const std::string& text) {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return;
  if (std::string* cell = ColumnOf(rows_[static_cast<size_t>(row)], column)) *cell = text;
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

const std::string& ListViewExports::Cell(int row, int column) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return kNoText;
  const std::string* cell = ColumnOf(rows_[static_cast<size_t>(row)], column);
  return cell ? *cell : kNoText;
}

void ListViewExports::FillDisplayInfo(NMLVDISPINFOW& info) const {
  LVITEMW& item = info.item;
  if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
  const std::string& cell = Cell(item.iItem, item.iSubItem);
  // Names are bytes of the ANSI code page; the other columns are ASCII.
  const std::wstring wide = item.iSubItem == 1 ? WideFromAnsi(cell) : WideFromUtf8(cell);
  const size_t count = std::min(wide.size(), static_cast<size_t>(item.cchTextMax) - 1);
  wide.copy(item.pszText, count);
  item.pszText[count] = L'\0';
}

}  // namespace kestrivo
