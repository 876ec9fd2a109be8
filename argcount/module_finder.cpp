#include "argcount/module_finder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kestrivo {

namespace {

std::filesystem::path PathFromUtf8(const std::string& s) {
  return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

std::string Utf8FromPath(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

}  // namespace

std::string LowerFileName(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name;
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos) return ".";
  if (cut == 0) return path.substr(0, 1);
  return path.substr(0, cut);
}

ModuleFinder FolderModuleFinder(std::vector<std::string> folders) {
  return [folders = std::move(folders)](const std::string& fileName) -> std::shared_ptr<const FileMap> {
    if (fileName.empty() || fileName.find_first_of("\\/") != std::string::npos) return nullptr;
    const std::string wanted = LowerFileName(fileName);
    for (const std::string& folder : folders) {
      if (folder.empty()) continue;
      std::error_code ec;
      // The exact name first; then a scan that ignores case, as Windows file names do.
      const std::filesystem::path direct = PathFromUtf8(folder) / PathFromUtf8(fileName);
      if (std::filesystem::is_regular_file(direct, ec))
        if (auto map = FileMap::Open(Utf8FromPath(direct))) return map;
      for (std::filesystem::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end; it.increment(ec)) {
        if (LowerFileName(Utf8FromPath(it->path().filename())) != wanted) continue;
        if (auto map = FileMap::Open(Utf8FromPath(it->path()))) return map;
      }
    }
    return nullptr;
  };
}

}  // namespace kestrivo
