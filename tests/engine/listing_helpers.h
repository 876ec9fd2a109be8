#pragma once
// Test helpers: a view that records what the walk does, and listings as text.

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "image/export_listing.h"

namespace kestrivo::test {

class RecordingView : public ExportsView {
 public:
  std::vector<ExportRow> rows;
  std::map<int, std::string> status;
  std::vector<std::string> errors;
  int clears = 0;

  void ClearRows() override { rows.clear(); ++clears; }
  int AppendRow(const std::string& text) override {
    rows.push_back({text, {}, {}, {}, {}});
    return static_cast<int>(rows.size()) - 1;
  }
  void SetCellText(int row, int column, const std::string& text) override {
    ExportRow& r = rows.at(row);
    std::string* cells[] = {&r.ordinal, &r.name, &r.args, &r.rva, &r.offset};
    *cells[column] = text;
  }
  int RowCount() override { return static_cast<int>(rows.size()); }
  void SetStatusText(int part, const std::string& text) override { status[part] = text; }
  void ShowError(const std::string& text) override { errors.push_back(text); }

  std::string Tsv() const {
    std::string out;
    for (const ExportRow& r : rows) out += r.ordinal + '\t' + r.name + '\t' + r.args + '\t' + r.rva + '\t' + r.offset + '\n';
    return out;
  }
};

// Lists in-memory file bytes as if they were the file at `path`.
inline RecordingView ListBytes(const std::vector<uint8_t>& bytes, const ListingOptions& options = {},
                               const std::string& path = "C:\\test\\fixture.dll") {
  RecordingView view;
  ImageState state;
  ImageFile file = ImageFile::FromMap(FileMap::Borrow(bytes));
  ListExports(file, path, view, state, options);
  return view;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Where Debian's MinGW runtime DLLs lie, as this build's file system sees them.
inline std::string MingwRuntimeDll(const std::string& name) {
#ifdef _WIN32
  return "Z:\\usr\\lib\\gcc\\i686-w64-mingw32\\12-win32\\" + name;
#else
  return "/usr/lib/gcc/i686-w64-mingw32/12-win32/" + name;
#endif
}

}  // namespace kestrivo::test
