#pragma once
// The argument estimate for the exports of one listed file: the number of
// 4-byte arguments a function pops on return, 0 whenever it cannot be told.
// The listed file is laid out as an image of its own (never handed to the
// system loader); forwarded exports are followed to the DLLs they name.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "argcount/module_finder.h"
#include "argcount/module_image.h"
#include "argcount/window_search.h"

namespace kestrivo {

class StackArgEstimator {
 public:
  // Made once per listing. The size bound of the window search is the listed
  // file's own size.
  StackArgEstimator(std::shared_ptr<const FileMap> listedFile, ModuleFinder findModule);

  int32_t EstimateStackArgs(const std::string& exportName);
  // The same estimate for a name read from entry `nameIndex` of the listed
  // file's name table, found without searching all names when it can be.
  int32_t EstimateStackArgs(const std::string& exportName, uint32_t nameIndex);

 private:
  const ModuleImage* ModuleNamed(const std::string& moduleName);
  int32_t EstimateFrom(const ModuleImage* module, ExportTarget target);

  int64_t sizeBound_ = 0;
  std::unique_ptr<ModuleImage> listed_;
  ModuleFinder findModule_;
  std::map<std::string, std::unique_ptr<ModuleImage>> forwardTargets_;  // by lower-case file name

  // Same code, same answer. Looked up once per row, so it is an open-addressing
  // table (one probe into flat memory) rather than a node-based map.
  struct MemoSlot {
    const ModuleImage* module = nullptr;  // null: empty slot
    uint32_t rva = 0;
    int32_t args = 0;
  };
  std::vector<MemoSlot> memo_;
  size_t memoCount_ = 0;
  WindowSearchMemo windowMemo_;  // shared by all estimates of the listing
  MemoSlot& FindMemoSlot(const ModuleImage* module, uint32_t rva);
  void GrowMemo();
};

}  // namespace kestrivo
