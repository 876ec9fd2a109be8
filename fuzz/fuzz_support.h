#pragma once
// Shared by the fuzz targets and the seed maker: how a listing input is split
// into files, a view that checks every row, and flat code memory.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "argcount/code_memory.h"
#include "image/export_listing.h"

namespace kestrivo::fuzz {

// A listing input is the listed file, optionally followed by the separator and
// the bytes of a.dll, and again by the separator and the bytes of b.dll: the
// DLLs that forwarded exports may lead to (also to each other, or back).
inline constexpr std::string_view kDllSeparator = "@@KESTRIVO-NEXT-DLL@@";

inline std::vector<std::span<const uint8_t>> SplitListingInput(const uint8_t* data, size_t size) {
  std::vector<std::span<const uint8_t>> parts;
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t from = 0;
  while (parts.size() < 2) {
    const size_t cut = all.find(kDllSeparator, from);
    if (cut == std::string_view::npos) break;
    parts.push_back({data + from, cut - from});
    from = cut + kDllSeparator.size();
  }
  parts.push_back({data + from, size - from});
  return parts;
}

inline void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
  std::abort();
}

// Records rows and checks, as they arrive, what every listing must satisfy.
class CheckingView final : public ExportsView {
 public:
  std::vector<ExportRow> rows;
  int clears = 0, errors = 0, statusWrites = 0;

  void ClearRows() override {
    if (clears++ != 0 || !rows.empty()) Fail("ClearRows not once and first");
  }
  int AppendRow(const std::string& text) override {
    if (clears != 1) Fail("row before ClearRows");
    if (!IsHex(text) || text.size() < 4 || text.size() > 5) Fail("ordinal text", text);
    rows.push_back({text, {}, {}, {}, {}});
    return static_cast<int>(rows.size()) - 1;
  }
  void SetCellText(int row, int column, const std::string& text) override {
    if (row < 0 || row >= static_cast<int>(rows.size()) || column < 1 || column > 4) Fail("cell out of range");
    ExportRow& r = rows[row];
    std::string* cells[] = {&r.ordinal, &r.name, &r.args, &r.rva, &r.offset};
    *cells[column] = text;
    if (column == 2) {
      // retn takes a 16-bit operand: 0 to 0xFFFF / 4.
      char* end = nullptr;
      const long value = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || value < 0 || value > 16383) Fail("argument count", text);
    }
    if ((column == 3 || column == 4) && (text.size() != 8 || !IsHex(text))) Fail("address text", text);
    if (column == 1 && text.find('\0') != std::string::npos) Fail("name holds a zero byte");
  }
  int RowCount() override { return static_cast<int>(rows.size()); }
  void SetStatusText(int part, const std::string& text) override {
    ++statusWrites;
    if (part != 3 || text != std::to_string(rows.size())) Fail("status text", text);
  }
  void ShowError(const std::string&) override { ++errors; }

 private:
  static bool IsHex(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
  }
};

// Bytes at RVA 0 up; nothing past their end can be read.
class FlatMemory final : public CodeMemory {
 public:
  explicit FlatMemory(std::span<const uint8_t> bytes, uint32_t imageBase = 0x10001000)
      : bytes_(bytes), imageBase_(imageBase) {}
  size_t Read(uint64_t rva, uint8_t* out, size_t n) const override {
    if (rva >= bytes_.size()) return 0;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(n, bytes_.size() - rva));
    if (count > 0) std::memcpy(out, bytes_.data() + rva, count);
    return count;
  }
  uint32_t ImageBase() const override { return imageBase_; }

 private:
  std::span<const uint8_t> bytes_;
  uint32_t imageBase_;
};

}  // namespace kestrivo::fuzz
