#pragma once
// Turns a PE32 file into the rows of the exports list: one row per exported
// name, in name-table order, with ordinal, name, argument estimate, RVA and file
// offset. The walk reaches its window only through ExportsView, so the same code
// drives the GUI list, the command-line lister and the tests.

#include <cstdint>
#include <string>

#include "argcount/module_finder.h"
#include "image/image_state.h"

namespace kestrivo {

// The five texts of one row, by column: ordinal, name, arguments, RVA, offset.
struct ExportRow {
  std::string ordinal, name, args, rva, offset;
};

class ExportsView {
 public:
  virtual ~ExportsView() = default;
  virtual void ClearRows() = 0;
  // Adds a row with `text` in column 0 and the others empty; returns its index.
  virtual int AppendRow(const std::string& text) = 0;
  virtual void SetCellText(int row, int column, const std::string& text) = 0;
  virtual int RowCount() = 0;
  // A part outside the status bar's parts is ignored.
  virtual void SetStatusText(int part, const std::string& text) = 0;
  // A message box with the caption "信息：" and the stop icon.
  virtual void ShowError(const std::string& text) = 0;
};

// The message shown when a file cannot be opened.
inline constexpr const char* kCannotReadFile = "无法读取文件内容";

struct ListingOptions {
  // False leaves the argument column empty (fast scripting listings).
  bool estimateArgs = true;
  // Where forwarded exports find the DLLs they lead to; null: the listed file's
  // folder, then the system's 32-bit DLL folder.
  ModuleFinder findModule;
};

// Lists the exports of the file at `path` (UTF-8) into `view`, refilling `state`.
void ListExports(const std::string& path, ExportsView& view, ImageState& state,
                 const ListingOptions& options = {});

// The same walk over a file that is already open (fuzzing, in-memory tests).
void ListExports(ImageFile& file, const std::string& path, ExportsView& view, ImageState& state,
                 const ListingOptions& options = {});

// "%.4X" and "%.8X" of a 32-bit pattern.
std::string Hex4(uint32_t value);
std::string Hex8(uint32_t value);

}  // namespace kestrivo
