# What both MinGW-w64 toolchain files share; they set KESTRIVO_MINGW_TRIPLE
# (i686-w64-mingw32 or x86_64-w64-mingw32) and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: with the win32 one GCC 12 has no std::mutex.
set(CMAKE_C_COMPILER   ${KESTRIVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRIVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KESTRIVO_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRIVO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The exe then imports only system DLLs: no MinGW runtime DLL next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Release executables ship without symbols (the static runtime brings a megabyte of them).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
