#!/usr/bin/env bash
# Cross-builds Kestrivo for Windows and runs the Windows tests under Wine.
#   build-win64: x86_64 with every test; the tests run under 64-bit Wine in one Xvfb session.
#   build-win32: i686 release exe (the shipped program), built only: 32-bit Wine cannot run here.
# Exits non-zero when a build or a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source tools/wine-env.sh

stage() { echo "==> [$((SECONDS / 60))m$((SECONDS % 60))s] $*"; }

win64=${KESTRIVO_WIN64_BUILD:-build-win64}
win32=${KESTRIVO_WIN32_BUILD:-build-win32}

stage "Capstone for x86_64 and i686"
capstone64=$(bash tools/build-capstone-mingw.sh x86_64)
capstone32=$(bash tools/build-capstone-mingw.sh i686)

# Both builds are Release: the tested exe is built like the shipped one, and
# without debug info the cross build takes about a third less time.
stage "configure and build $win64 (x86_64, tests)"
cmake -S . -B "$win64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKESTRIVO_CAPSTONE_ROOT="$capstone64" -DKESTRIVO_TESTS=ON >/dev/null
cmake --build "$win64"

stage "configure and build $win32 (i686, release)"
cmake -S . -B "$win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKESTRIVO_CAPSTONE_ROOT="$capstone32" -DKESTRIVO_TESTS=OFF >/dev/null
cmake --build "$win32"
for exe in "$win32/app/kestrivo.exe" "$win32/kestrivo-dump.exe"; do
  if [ -f "$exe" ]; then echo "i686 $(basename "$exe"): $(stat -c %s "$exe") bytes ($exe)"; fi
done

stage "Wine prefix"
export WINEPREFIX=$root/$win64/wineprefix
wine_prefix_ready "$WINEPREFIX"

stage "tests of $win64 under Wine in Xvfb"
# One X server and one persistent wineserver for all tests (see wine_session_begin).
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  source tools/wine-env.sh
  wine_session_begin
  status=0
  ctest --test-dir "$1" --output-on-failure || status=$?
  wine_session_end
  exit $status
' session "$win64" || status=$?
for shot in "$win64"/screenshots/*.png; do
  if [ -f "$shot" ]; then echo "screenshot: $root/$shot"; fi
done
stage "done"
exit "${status:-0}"
