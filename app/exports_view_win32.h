#pragma once
// The exports list and the status bar as the listing's ExportsView. The list is
// an owner-data (virtual) list view: rows live in a vector here, the control
// asks for the texts of the rows it draws, and it learns the row count once at
// the end of a listing, so even hundreds of thousands of rows fill at once.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/export_listing.h"

namespace kestrivo {

constexpr int kStatusPartCount = 6;

class ListViewExports : public ExportsView {
 public:
  void Attach(HWND list, HWND statusBar);

  void ClearRows() override;
  int AppendRow(const std::string& text) override;
  void SetCellText(int row, int column, const std::string& text) override;
  int RowCount() override;
  void SetStatusText(int part, const std::string& text) override;
  void ShowError(const std::string& text) override;

  // Tells the list how many rows there are; call after a listing.
  void ShowRows();

  // The cell's text as stored (column 1 holds the name's raw bytes); "" for a
  // row or column that does not exist. Valid until the next change.
  std::string_view Cell(int row, int column) const;

  // Answers the list's LVN_ODFINDITEMW request (type-ahead search over
  // column 0): the row found, or -1.
  int FindRow(const NMLVFINDITEMW& request) const;

  // Answers the list's LVN_GETDISPINFOW request for a row's text.
  void FillDisplayInfo(NMLVDISPINFOW& info) const;

 private:
  HWND list_ = nullptr;
  HWND statusBar_ = nullptr;
  // All cell texts live one after another in `texts_`; a row keeps where each
  // of its five cells starts and how long it is. Compact rows keep a listing
  // of hundreds of thousands of names fast to fill.
  struct Span {
    uint32_t start = 0, length = 0;
  };
  struct Row {
    Span cells[5];
  };
  std::vector<Row> rows_;
  std::string texts_;
};

}  // namespace kestrivo
