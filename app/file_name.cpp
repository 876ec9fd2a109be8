#include "app/file_name.h"

#include <cstddef>

// Paths are UTF-8. Every byte of a multi-byte UTF-8 character is 0x80 or more,
// so a byte-wise scan never mistakes part of a character for '\\', '/', ':',
// '.' or ' '. (In a double-byte ANSI code page such as GBK the second byte of
// a character may be 0x5C; that case cannot arise with UTF-8 paths.)

namespace kestrivo {
namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

// Where the shell's PathFindFileName puts the file-name part: just after the
// last '\\', '/' or ':' that is followed by something other than a slash.
// So "C:\Tools\" gives "Tools\", "C:\" and "C:" give the whole path, and
// doubled backslashes count once.
size_t FileNamePosition(const std::string& path) {
  size_t position = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if ((IsSlash(c) || c == ':') && i + 1 < path.size() && !IsSlash(path[i + 1])) position = i + 1;
  }
  return position;
}

// Where the shell's PathFindExtension puts the extension: the last '.' after
// which no '\\' or space follows; else the end of the path. A forward slash
// does not end the search, as in the shell.
size_t ExtensionPosition(const std::string& path) {
  size_t position = path.size();
  for (size_t i = 0; i < path.size(); ++i) {
    const char c = path[i];
    if (c == '\\' || c == ' ') {
      position = path.size();
    } else if (c == '.') {
      position = i;
    }
  }
  return position;
}

}  // namespace

std::string ExtensionOf(const std::string& path) { return path.substr(ExtensionPosition(path)); }

std::string FileNameOf(const std::string& path, bool withExtension) {
  std::string name = path.substr(FileNamePosition(path));
  // A name that still ends with a backslash names a folder or a drive root.
  if (!name.empty() && name.back() == '\\') return {};
  if (withExtension) return name;
  const std::string extension = ExtensionOf(name);
  return name.substr(0, name.size() - extension.size());
}

}  // namespace kestrivo
