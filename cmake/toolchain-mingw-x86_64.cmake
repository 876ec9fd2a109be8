# Cross-build for 64-bit Windows with MinGW-w64 (posix thread model, static runtime).
# Test executables run under 64-bit Wine through tools/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The exe then imports only system DLLs: no MinGW runtime DLL next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Release executables ship without symbols (the static runtime brings a megabyte of them).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

get_filename_component(_kestrivo_tools "${CMAKE_CURRENT_LIST_DIR}/../tools" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_kestrivo_tools}/wine-run.sh)
