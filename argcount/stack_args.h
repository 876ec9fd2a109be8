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

#include "argcount/module_finder.h"
#include "argcount/module_image.h"

namespace kestrivo {

class StackArgEstimator {
 public:
  // Made once per listing. The size bound of the window search is the listed
  // file's own size.
  StackArgEstimator(std::shared_ptr<const FileMap> listedFile, ModuleFinder findModule);

  int32_t EstimateStackArgs(const std::string& exportName);

 private:
  const ModuleImage* ModuleNamed(const std::string& moduleName);

  int64_t sizeBound_ = 0;
  std::unique_ptr<ModuleImage> listed_;
  ModuleFinder findModule_;
  std::map<std::string, std::unique_ptr<ModuleImage>> forwardTargets_;  // by lower-case file name
  std::map<std::pair<const ModuleImage*, uint32_t>, int32_t> estimates_;  // same code, same answer
};

}  // namespace kestrivo
