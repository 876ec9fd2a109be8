#include "argcount/stack_args.h"

#include <cstdlib>
#include <set>
#include <utility>

#include "argcount/window_search.h"

namespace kestrivo {

namespace {

// A forwarder chain longer than this is taken for a cycle the visited set missed.
constexpr int kMaxForwardHops = 64;

}  // namespace

StackArgEstimator::StackArgEstimator(std::shared_ptr<const FileMap> listedFile, ModuleFinder findModule)
    : sizeBound_(listedFile ? static_cast<int64_t>(listedFile->Size()) : 0),
      listed_(ModuleImage::Load(std::move(listedFile))),
      findModule_(std::move(findModule)) {
  // Every function may need its own first windows, and a search through real
  // code or data passes each 100-byte stretch of the file about once more: a
  // budget of 65,536 functions (16-bit ordinals) plus one window per 100 bytes
  // holds for any real DLL, while hostile code that would make every estimate
  // walk to the size bound still ends in time proportional to the file.
  windowMemo_.windowsLeft = 65536 + sizeBound_ / kWindowLength;
}

const ModuleImage* StackArgEstimator::ModuleNamed(const std::string& moduleName) {
  // "OTHER" means OTHER.dll; a module part with a dot is a file name already.
  std::string fileName = moduleName;
  if (fileName.find('.') == std::string::npos) fileName += ".dll";
  const std::string key = LowerFileName(fileName);
  auto it = forwardTargets_.find(key);
  if (it == forwardTargets_.end()) {
    std::unique_ptr<ModuleImage> image;
    if (findModule_) image = ModuleImage::Load(findModule_(fileName));
    it = forwardTargets_.emplace(key, std::move(image)).first;
  }
  return it->second.get();
}

int32_t StackArgEstimator::EstimateStackArgs(const std::string& exportName) {
  if (listed_ == nullptr) return 0;
  return EstimateFrom(listed_.get(), listed_->FindExport(exportName));
}

int32_t StackArgEstimator::EstimateStackArgs(const std::string& exportName, uint32_t nameIndex) {
  if (listed_ == nullptr) return 0;
  return EstimateFrom(listed_.get(), listed_->FindExport(exportName, nameIndex));
}

int32_t StackArgEstimator::EstimateFrom(const ModuleImage* module, ExportTarget target) {
  std::set<std::pair<const ModuleImage*, std::string>> visited;
  for (int hop = 0; target.kind == ExportTarget::Forwarder; ++hop) {
    if (hop >= kMaxForwardHops || !visited.emplace(module, target.forwarder).second) return 0;  // a cycle
    const size_t dot = target.forwarder.rfind('.');
    if (dot == std::string::npos || dot == 0) return 0;
    module = ModuleNamed(target.forwarder.substr(0, dot));
    if (module == nullptr) return 0;
    const std::string name = target.forwarder.substr(dot + 1);
    if (name.size() > 1 && name[0] == '#') {
      char* end = nullptr;
      const unsigned long ordinal = std::strtoul(name.c_str() + 1, &end, 10);
      if (*end != '\0' || ordinal > 0xFFFF) return 0;
      target = module->FindExportByOrdinal(static_cast<uint32_t>(ordinal));
    } else {
      target = module->FindExport(name);
    }
  }
  if (target.kind != ExportTarget::Code) return 0;

  if ((memoCount_ + 1) * 2 > memo_.size()) GrowMemo();  // at most half full
  MemoSlot& slot = FindMemoSlot(module, target.rva);
  if (slot.module == nullptr) {
    slot = {module, target.rva, StackArgsFromCode(*module, target.rva, sizeBound_, &windowMemo_)};
    ++memoCount_;
  }
  return slot.args;
}

StackArgEstimator::MemoSlot& StackArgEstimator::FindMemoSlot(const ModuleImage* module, uint32_t rva) {
  // Fibonacci hashing of both parts; linear probing to the slot or a free one.
  const uint64_t key = (uint64_t{rva} << 32) ^ reinterpret_cast<uintptr_t>(module);
  const size_t mask = memo_.size() - 1;
  for (size_t i = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;; i = (i + 1) & mask) {
    MemoSlot& slot = memo_[i];
    if (slot.module == nullptr || (slot.module == module && slot.rva == rva)) return slot;
  }
}

void StackArgEstimator::GrowMemo() {
  std::vector<MemoSlot> old = std::exchange(memo_, std::vector<MemoSlot>(std::max<size_t>(1024, memo_.size() * 2)));
  for (const MemoSlot& slot : old) {
    if (slot.module != nullptr) FindMemoSlot(slot.module, slot.rva) = slot;
  }
}

}  // namespace kestrivo
