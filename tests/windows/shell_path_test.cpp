// FileNameOf and ExtensionOf against the shell's own PathFindFileNameW and
// PathFindExtensionW: the same positions for every path in the table.

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <iterator>
#include <string>

#include "app/file_name.h"
#include "app/text.h"

namespace kestrivo {
namespace {

const char* const kPaths[] = {
    "C:\\Windows\\System32\\user32.dll",
    "C:\\data\\archive.tar.gz",
    "C:\\data\\.profile",
    "C:\\data\\name.",
    "C:\\data\\name..",
    "C:\\data\\README",
    "C:\\dir.d\\file",
    "C:\\Tools\\",
    "C:\\",
    "",
    "C:",
    "C:file.txt",
    "C:\\dir\\\\file.txt",
    "C:\\dir\\\\",
    "\\\\server\\share\\lib.dll",
    "\\\\server\\share\\",
    "C:/dir/file.txt",
    "C:/dir.d/file",
    "C:\\dir/",
    "C:\\dir\\file.txt ",
    "C:\\dir\\file. ",
    "C:\\dir\\a b.txt",
    "C:\\my dir.v2\\file",
    "lib.dll",
    ".",
    "..",
    "\\",
    "a:b:c.txt",
    "C:\\工具\\导出.dll",
    "C:\\dir\\乗",
    "C:\\目录.旧\\文件",
    "Z:\\tmp\\a.dll\r\nZ:\\tmp\\b.dll\r\n",
};

// The algorithm of FileNameOf spelled out over the shell's functions.
std::string ShellFileName(const std::wstring& path, bool withExtension) {
  const std::wstring name = PathFindFileNameW(path.c_str());
  if (!name.empty() && name.back() == L'\\') return {};
  if (withExtension) return Utf8FromWide(name);
  const std::wstring extension = PathFindExtensionW(name.c_str());
  return Utf8FromWide(name.substr(0, name.size() - extension.size()));
}

TEST(ShellPathTest, SplitsPathsAtTheShellsPositions) {
  for (size_t i = 0; i < std::size(kPaths); ++i) {
    const char* path = kPaths[i];
    SCOPED_TRACE(testing::Message() << "path #" << i);  // ASCII only: Wine's console is GBK
    const std::wstring wide = WideFromUtf8(path);
    EXPECT_EQ(ExtensionOf(path), Utf8FromWide(PathFindExtensionW(wide.c_str())));
    EXPECT_EQ(FileNameOf(path, true), ShellFileName(wide, true));
    EXPECT_EQ(FileNameOf(path, false), ShellFileName(wide, false));
  }
}

}  // namespace
}  // namespace kestrivo
