#!/usr/bin/env bash
# Builds the Windows program (x86_64) and starts it under 64-bit Wine on the
# current X display. Close its window (or press Esc) to end it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-packages.sh

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
No X display (DISPLAY is not set), so Wine cannot show the window.
Run this from a desktop session, or give it a virtual screen:
    xvfb-run -a -s "-screen 0 1024x768x24" bash tools/run.sh
(under xvfb-run nothing is visible; take a picture with: import -window root shot.png)
MSG
  exit 1
fi

source tools/wine-env.sh
build=${KESTRIVO_WIN64_BUILD:-build-win64}
capstone=$(bash tools/build-capstone-mingw.sh x86_64)
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKESTRIVO_CAPSTONE_ROOT="$capstone" >/dev/null
cmake --build "$build" --target kestrivo

export WINEPREFIX=$root/$build/wineprefix
wine_prefix_ready "$WINEPREFIX"

cat <<MSG
Starting $build/app/kestrivo.exe under Wine (64-bit build; drop a DLL on the window).
The program proper is the 32-bit build: tools/test-windows.sh makes it as
build-win32/app/kestrivo.exe. It is one self-contained file (static runtime):
copy it to Windows and double-click it; it needs no DLL beside it.
MSG
cd "$build/app"
exec "$WINE_LOADER" kestrivo.exe
