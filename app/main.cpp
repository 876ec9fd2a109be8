// Kestrivo: lists the named exports of a PE32 file dropped on its window.

#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/startup.h"

// Every allocation of the program comes through here, so running out of memory
// can name the number of bytes asked for before the process ends.
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  char message[128];
  std::snprintf(message, sizeof message, "内存不足：无法分配 %llu 字节。", static_cast<unsigned long long>(size));
  kestrivo::FailAndExit(message);
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace kestrivo;
  OleInitialize(nullptr);
  MakeProgramDirectoryCurrent();
  InitState();
  RegisterExitRoutine(ReleaseState);
  if (!CreateMainWindow(instance)) FailAndExit("无法创建主窗口。");

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  OleUninitialize();
  // ReleaseState runs as exit routine when main returns.
  return 0;
}
