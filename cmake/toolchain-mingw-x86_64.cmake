# Cross-build for 64-bit Windows with MinGW-w64 (posix thread model, static runtime).
# Test executables run under 64-bit Wine through tools/wine-run.sh.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTRIVO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)

get_filename_component(_kestrivo_tools "${CMAKE_CURRENT_LIST_DIR}/../tools" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${_kestrivo_tools}/wine-run.sh)
