// Looks at the running Kestrivo window from another process, as a user's tool would.
//
//   window_probe find  [timeout_ms]          waits for the window; prints "list-center X Y"
//                                            (screen point in the middle of the exports list)
//   window_probe rows  COUNT [timeout_ms]    waits until the list holds COUNT rows
//   window_probe close [timeout_ms]          sends WM_CLOSE and waits for the process to end;
//                                            succeeds when its exit code is 0
//
// Only messages without pointers cross the process boundary (LVM_GETITEMCOUNT, WM_CLOSE),
// so no memory of the other process is touched. Exit code 0 on success, 1 on failure.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Found {
    HWND window = nullptr;
    HWND list = nullptr;
};

BOOL CALLBACK CheckTopLevel(HWND window, LPARAM param)
{
    char className[64] = {};
    char caption[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    // The caption is "Kestrivo" at start and changes after a click; the class stays.
    const bool named = std::strncmp(className, "Kestrivo", 8) == 0 || std::strcmp(caption, "Kestrivo") == 0;
    if (!named || !IsWindowVisible(window))
        return TRUE;
    HWND list = FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
    if (!list)
        return TRUE;
    auto* found = reinterpret_cast<Found*>(param);
    found->window = window;
    found->list = list;
    return FALSE;
}

Found FindKestrivo()
{
    Found found;
    EnumWindows(CheckTopLevel, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Polls every 50 ms until the window is there or the time is up.
Found WaitForKestrivo(DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        Found found = FindKestrivo();
        if (found.window || GetTickCount64() >= end)
            return found;
        Sleep(50);
    }
}

int Find(DWORD timeoutMs)
{
    Found found = WaitForKestrivo(timeoutMs);
    if (!found.window) {
        std::printf("no Kestrivo window after %lu ms\n", timeoutMs);
        return 1;
    }
    RECT rect{};
    GetWindowRect(found.list, &rect);
    std::printf("list-center %ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    return 0;
}

int Rows(long expected, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    Found found = WaitForKestrivo(timeoutMs);
    if (!found.window) {
        std::printf("no Kestrivo window after %lu ms\n", timeoutMs);
        return 1;
    }
    LRESULT count = -1;
    for (;;) {
        // A listing runs without returning to the message loop; the timeout keeps the
        // probe from hanging on a busy window, and the next round asks again.
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(found.list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 1000, &result))
            count = static_cast<LRESULT>(result);
        if (count == expected) {
            std::printf("rows %ld\n", static_cast<long>(count));
            return 0;
        }
        if (GetTickCount64() >= end)
            break;
        Sleep(100);
    }
    std::printf("rows %ld, expected %ld\n", static_cast<long>(count), expected);
    return 1;
}

int Close(DWORD timeoutMs)
{
    Found found = WaitForKestrivo(timeoutMs);
    if (!found.window) {
        std::printf("no Kestrivo window after %lu ms\n", timeoutMs);
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(found.window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) {
        std::printf("cannot open process %lu\n", processId);
        return 1;
    }
    PostMessageA(found.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
        std::printf("process still running %lu ms after WM_CLOSE\n", timeoutMs);
        CloseHandle(process);
        return 1;
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    std::printf("exit code %lu\n", exitCode);
    return exitCode == 0 ? 0 : 1;
}

DWORD TimeoutArg(int argc, char** argv, int index)
{
    return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10)) : 30000;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "find") == 0)
        return Find(TimeoutArg(argc, argv, 2));
    if (argc >= 3 && std::strcmp(argv[1], "rows") == 0)
        return Rows(std::strtol(argv[2], nullptr, 10), TimeoutArg(argc, argv, 3));
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0)
        return Close(TimeoutArg(argc, argv, 2));
    std::printf("usage: window_probe find|rows COUNT|close [timeout_ms]\n");
    return 2;
}
