#pragma once
// Taking a Windows path apart into its file name and extension, at the same
// positions as the shell's PathFindFileName and PathFindExtension.

#include <string>

namespace kestrivo {

// The last component of `path`, with or without its extension; "" when the
// file-name part ends with a backslash (a folder such as C:\Tools\).
std::string FileNameOf(const std::string& path, bool withExtension);

// The extension of the last component, from its dot to the end, or "".
std::string ExtensionOf(const std::string& path);

}  // namespace kestrivo
