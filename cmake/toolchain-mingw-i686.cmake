# Cross-build for 32-bit Windows with MinGW-w64 (posix thread model, static runtime).
# This is the release build. Its executables cannot run here (no 32-bit Wine), so there is no emulator.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTRIVO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
