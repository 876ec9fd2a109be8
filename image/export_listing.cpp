#include "image/export_listing.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "argcount/stack_args.h"

namespace kestrivo {

namespace {

// printf's "%.<minDigits>X" without printf: three of these per row were a
// tenth of a large listing's time.
std::string UpperHex(uint32_t value, int minDigits) {
  char digits[8];
  int count = 0;
  do {
    digits[count++] = "0123456789ABCDEF"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  std::string text(static_cast<size_t>(std::max(count, minDigits)), '0');
  for (int k = 0; k < count; ++k) text[text.size() - 1 - k] = digits[k];
  return text;
}

}  // namespace

std::string Hex4(uint32_t value) { return UpperHex(value, 4); }

std::string Hex8(uint32_t value) { return UpperHex(value, 8); }

namespace {

// A file position formed exactly and reduced to its low 32 bits.
int32_t Position32(int64_t exact) { return static_cast<int32_t>(static_cast<uint32_t>(exact)); }

void WalkExports(ImageFile& file, const std::string& path, ExportsView& view, ImageState& state,
                 const ListingOptions& options) {
  if (!ReadImageHeaders(file, state)) return;
  const IMAGE_DATA_DIRECTORY& exportEntry = state.NtHeaders.OptionalHeader.DataDirectory[0];
  if (exportEntry.Size <= 0) return;

  const RvaDeltaIndex delta(state.Sections);
  file.Seek(Position32(int64_t{exportEntry.VirtualAddress} - delta.Delta(exportEntry.VirtualAddress)));
  uint8_t bytes[sizeof(IMAGE_EXPORT_DIRECTORY)];
  if (file.ReadBytes(bytes, sizeof bytes) < sizeof bytes) return;
  IMAGE_EXPORT_DIRECTORY directory;
  std::memcpy(&directory, bytes, sizeof bytes);
  if (directory.Name == 0) return;

  const int64_t ordinals = int64_t{directory.AddressOfNameOrdinals} - delta.Delta(directory.AddressOfNameOrdinals);
  const int64_t functions = int64_t{directory.AddressOfFunctions} - delta.Delta(directory.AddressOfFunctions);
  const int64_t names = int64_t{directory.AddressOfNames} - delta.Delta(directory.AddressOfNames);

  // Every name takes a 4-byte entry of the name table, so a file holds at most
  // size / 4 names; a larger count is a damaged or hostile header.
  const int64_t nameCount = std::min<int64_t>(directory.NumberOfNames, static_cast<int64_t>(file.Size() / 4));

  std::unique_ptr<StackArgEstimator> estimator;
  if (options.estimateArgs && nameCount > 0) {
    ModuleFinder find = options.findModule ? options.findModule
                                           : FolderModuleFinder({FolderOf(path), SystemModuleFolder()});
    estimator = std::make_unique<StackArgEstimator>(file.Map(), std::move(find));
  }

  // The names of a real DLL are distinct strings stored in the file, so together
  // they hold fewer bytes than the file. Hostile tables point many entries into
  // one long zero-free run (every name megabytes long) or repeat a long name;
  // the names shown are therefore cut to kMaxExportNameLength each and so that
  // all of them together hold at most the file's size in bytes, which keeps
  // reading and showing them linear in the file's size.
  uint64_t nameBytesLeft = file.Size();

  // Carried from one name to the next: a read that fails keeps the previous value.
  uint16_t ordinalIndex = 0;
  int32_t functionRva = 0;
  int32_t nameRva = 0;
  std::string name;
  for (int64_t i = 0; i < nameCount; ++i) {
    file.Seek(Position32(ordinals + 2 * i));
    file.ReadWord(ordinalIndex);
    file.Seek(Position32(functions + int64_t{4} * ordinalIndex));
    file.ReadDword(functionRva);
    file.Seek(Position32(names + 4 * i));
    file.ReadDword(nameRva);
    file.Seek(Position32(int64_t{nameRva} - delta.Delta(nameRva)));
    const size_t nameLimit = static_cast<size_t>(std::min<uint64_t>(nameBytesLeft, kMaxExportNameLength));
    file.ReadText(name, nameLimit);
    if (name.size() > nameLimit) name.resize(nameLimit);  // a kept name
    nameBytesLeft -= name.size();

    const int row = view.AppendRow(Hex4(uint32_t{ordinalIndex} + 1));
    view.SetCellText(row, 1, name);
    if (estimator) {
      view.SetCellText(row, 2, std::to_string(estimator->EstimateStackArgs(name, static_cast<uint32_t>(i))));
    }
    view.SetCellText(row, 3, Hex8(static_cast<uint32_t>(functionRva)));
    view.SetCellText(row, 4, Hex8(static_cast<uint32_t>(int64_t{functionRva} - delta.Delta(functionRva))));
  }
  view.SetStatusText(3, std::to_string(view.RowCount()));
}

}  // namespace

void ListExports(ImageFile& file, const std::string& path, ExportsView& view, ImageState& state,
                 const ListingOptions& options) {
  view.ClearRows();
  if (!file.IsOpen()) {
    view.ShowError(kCannotReadFile);
    return;
  }
  WalkExports(file, path, view, state, options);
  file.Close();
}

void ListExports(const std::string& path, ExportsView& view, ImageState& state, const ListingOptions& options) {
  ImageFile file = ImageFile::Open(path);
  ListExports(file, path, view, state, options);
}

}  // namespace kestrivo
