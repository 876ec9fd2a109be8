// FileNameOf / ExtensionOf take Windows paths apart at the positions the
// Windows shell's PathFindFileName / PathFindExtension give. The Windows suite
// checks the same table against the real shell functions.

#include <gtest/gtest.h>

#include <string>

#include "app/file_name.h"

namespace kestrivo {
namespace {

struct FileNameCase {
  const char* path;
  const char* withExtension;
  const char* withoutExtension;
  const char* extensionOfPath;  // ExtensionOf(path), the whole path
};

const FileNameCase kCases[] = {
    {"C:\\Windows\\System32\\user32.dll", "user32.dll", "user32", ".dll"},
    {"C:\\data\\archive.tar.gz", "archive.tar.gz", "archive.tar", ".gz"},
    // The extension is the whole name.
    {"C:\\data\\.profile", ".profile", "", ".profile"},
    // A final dot is an extension of its own.
    {"C:\\data\\name.", "name.", "name", "."},
    {"C:\\data\\name..", "name..", "name.", "."},
    {"C:\\data\\README", "README", "README", ""},
    // A dot in a folder is not an extension: the backslash ends it.
    {"C:\\dir.d\\file", "file", "file", ""},
    // Folders and roots: the file-name part ends with a backslash.
    {"C:\\Tools\\", "", "", ""},
    {"C:\\", "", "", ""},
    {"", "", "", ""},
    // Doubled backslashes count once.
    {"C:\\dir\\\\file.txt", "file.txt", "file", ".txt"},
    {"C:\\dir\\\\", "", "", ""},
    // A drive letter's colon separates like a backslash, unless nothing follows.
    {"C:", "C:", "C:", ""},
    {"C:file.txt", "file.txt", "file", ".txt"},
    // Forward slashes separate names, but do not end an extension.
    {"C:/dir/file.txt", "file.txt", "file", ".txt"},
    {"C:/dir.d/file", "file", "file", ".d/file"},
    {"C:\\dir/", "dir/", "dir/", ""},
    // A space after the last dot means there is no extension.
    {"C:\\dir\\file.txt ", "file.txt ", "file.txt ", ""},
    {"C:\\dir\\file. ", "file. ", "file. ", ""},
    {"C:\\dir\\a b.txt", "a b.txt", "a b", ".txt"},
    {"C:\\my dir.v2\\file", "file", "file", ""},
    {"\\\\server\\share\\lib.dll", "lib.dll", "lib", ".dll"},
    {"lib.dll", "lib.dll", "lib", ".dll"},
    // UTF-8 names. U+4E57's GBK form ends in byte 0x5C, which an ANSI build
    // would take for a final backslash; its UTF-8 bytes are all 0x80 and up.
    {"C:\\工具\\导出.dll", "导出.dll", "导出", ".dll"},
    {"C:\\dir\\乗", "乗", "乗", ""},
    {"C:\\目录.旧\\文件", "文件", "文件", ""},
    // Several dropped files: each path followed by CR LF.
    {"C:\\a\\x.dll\r\nC:\\b\\y.dll\r\n", "y.dll\r\n", "y", ".dll\r\n"},
};

TEST(FileNameTest, SplitsWindowsPathsLikeTheShell) {
  for (const FileNameCase& c : kCases) {
    SCOPED_TRACE(std::string("path: ") + c.path);
    EXPECT_EQ(FileNameOf(c.path, true), c.withExtension);
    EXPECT_EQ(FileNameOf(c.path, false), c.withoutExtension);
    EXPECT_EQ(ExtensionOf(c.path), c.extensionOfPath);
  }
}

TEST(FileNameTest, ExtensionOfNameIsTakenFromTheLastDot) {
  EXPECT_EQ(ExtensionOf("archive.tar.gz"), ".gz");
  EXPECT_EQ(ExtensionOf(".profile"), ".profile");
  EXPECT_EQ(ExtensionOf("README"), "");
}

}  // namespace
}  // namespace kestrivo
