#pragma once
// The argument estimate for the exports of one listed file: the number of
// 4-byte arguments a function pops on return, 0 whenever it cannot be told.
// The listed file is laid out as an image of its own (never handed to the
// system loader); forwarded exports are followed to the DLLs they name.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "argcount/module_finder.h"
#include "argcount/module_image.h"

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
  struct CodeKeyHash {
    size_t operator()(const std::pair<const ModuleImage*, uint32_t>& key) const {
      return std::hash<const void*>()(key.first) ^ (size_t{key.second} * 0x9E3779B97F4A7C15ull);
    }
  };
  // Same code, same answer.
  std::unordered_map<std::pair<const ModuleImage*, uint32_t>, int32_t, CodeKeyHash> estimates_;
};

}  // namespace kestrivo
