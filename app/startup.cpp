#include "app/startup.h"

#include <windows.h>

#include <vector>

namespace kestrivo {

std::wstring ProgramDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) break;
    buffer.resize(buffer.size() * 2);
  }
  std::wstring path(buffer.data());
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void MakeProgramDirectoryCurrent() {
  std::wstring folder = ProgramDirectory();
  // "C:" alone would mean drive C's own current folder, not its root.
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
}

void FailAndExit(const char* messageUtf8) {
  wchar_t message[512];
  if (MultiByteToWideChar(CP_UTF8, 0, messageUtf8, -1, message, 512) == 0) message[0] = L'\0';
  MessageBoxW(nullptr, message, L"Kestrivo", MB_ICONERROR | MB_TASKMODAL | MB_OK);
  // TerminateProcess, not exit(): the exit routines must not run.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(-1));
  ExitProcess(static_cast<UINT>(-1));
}

}  // namespace kestrivo
