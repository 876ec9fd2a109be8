#pragma once
// Start-up pieces that main.cpp runs in order.

#include <string>

namespace kestrivo {

// The folder of the running program's file, without a trailing backslash
// (C:\Tools for C:\Tools\kestrivo.exe; C: for a program in a drive's root).
std::wstring ProgramDirectory();

// Makes ProgramDirectory() the process's current directory.
void MakeProgramDirectoryCurrent();

// Shows `message` in an error box and ends the process at once with exit code
// -1, without the exit routines. Allocates nothing, so it also serves when
// memory is exhausted.
[[noreturn]] void FailAndExit(const char* messageUtf8);

}  // namespace kestrivo
