#pragma once
// A read-only, shared-access view of a whole file's bytes. The only place in the
// engine that talks to the operating system: everything else reads through spans.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kestrivo {

class FileMap {
 public:
  // Maps the file at `path` (UTF-8) read-only, without locking it against other
  // readers or writers. Null for an empty path, a folder, or a file the system
  // refuses to open. An empty file maps to zero bytes.
  static std::shared_ptr<const FileMap> Open(const std::string& path);

  // Wraps bytes that the caller keeps alive (tests, fuzzing).
  static std::shared_ptr<const FileMap> Borrow(std::span<const uint8_t> bytes);

  ~FileMap();
  FileMap(const FileMap&) = delete;
  FileMap& operator=(const FileMap&) = delete;

  std::span<const uint8_t> Bytes() const { return {data_, size_}; }
  uint64_t Size() const { return size_; }

 private:
  FileMap() = default;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool owned_ = false;
#ifdef _WIN32
  void* mapping_ = nullptr;  // HANDLE of the file mapping object
#endif
};

// The folder of the system's 32-bit DLLs, where forwarded exports may lead;
// empty where there is no such folder (any system but Windows).
std::string SystemModuleFolder();

}  // namespace kestrivo
