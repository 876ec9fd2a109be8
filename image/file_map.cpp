#include "image/file_map.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrivo {

FileMap::~FileMap() {
  if (!owned_ || data_ == nullptr) return;
#ifdef _WIN32
  UnmapViewOfFile(data_);
  CloseHandle(static_cast<HANDLE>(mapping_));
#else
  munmap(const_cast<uint8_t*>(data_), size_);
#endif
}

std::shared_ptr<const FileMap> FileMap::Borrow(std::span<const uint8_t> bytes) {
  std::shared_ptr<FileMap> map(new FileMap());
  map->data_ = bytes.data();
  map->size_ = bytes.size();
  return map;
}

#ifdef _WIN32

static std::wstring WidePath(const std::string& utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), wide.data(), n);
  return wide;
}

std::shared_ptr<const FileMap> FileMap::Open(const std::string& path) {
  std::wstring wide = WidePath(path);
  if (wide.empty()) return nullptr;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
    CloseHandle(file);
    return nullptr;
  }
  std::shared_ptr<FileMap> map(new FileMap());
  if (size.QuadPart == 0) {  // a zero-length file cannot be mapped; it simply has no bytes
    CloseHandle(file);
    return map;
  }
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);  // the mapping keeps the file open
  if (mapping == nullptr) return nullptr;
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  if (view == nullptr) {
    CloseHandle(mapping);
    return nullptr;
  }
  map->data_ = static_cast<const uint8_t*>(view);
  map->size_ = static_cast<size_t>(size.QuadPart);
  map->mapping_ = mapping;
  map->owned_ = true;
  return map;
}

std::string SystemModuleFolder() {
  // A 32-bit image's forwarders lead to 32-bit system DLLs: SysWOW64 on 64-bit
  // Windows, System32 on 32-bit Windows (where the WOW64 call fails).
  wchar_t buffer[MAX_PATH];
  UINT n = GetSystemWow64DirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) n = GetSystemDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  int bytes = WideCharToMultiByte(CP_UTF8, 0, buffer, (int)n, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, buffer, (int)n, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

#else

std::shared_ptr<const FileMap> FileMap::Open(const std::string& path) {
  if (path.empty()) return nullptr;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  std::shared_ptr<FileMap> map(new FileMap());
  if (st.st_size == 0) {
    ::close(fd);
    return map;
  }
  void* view = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  ::close(fd);
  if (view == MAP_FAILED) return nullptr;
  map->data_ = static_cast<const uint8_t*>(view);
  map->size_ = static_cast<size_t>(st.st_size);
  map->owned_ = true;
  return map;
}

std::string SystemModuleFolder() { return {}; }

#endif

}  // namespace kestrivo
