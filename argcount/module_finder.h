#pragma once
// Finding the DLLs that forwarded exports lead to.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/file_map.h"

namespace kestrivo {

// Opens the DLL named `fileName` (such as "KERNEL32.dll"); null when there is none.
using ModuleFinder = std::function<std::shared_ptr<const FileMap>(const std::string& fileName)>;

// Looks in each folder in turn, comparing file names without case as Windows does.
ModuleFinder FolderModuleFinder(std::vector<std::string> folders);

// `name` with ASCII letters in lower case: DLL file names compare without case.
std::string LowerFileName(std::string name);

// The folder part of a path (up to its last '\\' or '/'), or "." when it has none.
std::string FolderOf(const std::string& path);

}  // namespace kestrivo
