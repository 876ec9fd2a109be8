#!/usr/bin/env bash
# Runs one Windows executable under 64-bit Wine with the project's environment.
# Used as CMAKE_CROSSCOMPILING_EMULATOR: ctest calls it with the .exe and its arguments.
# The prefix is $WINEPREFIX when set, else the wineprefix folder of the build
# tree that holds the executable (found through its CMakeCache.txt).
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

exe=${1:?usage: $0 program.exe [arguments...]}

if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  [ -f "$dir/CMakeCache.txt" ] || { echo "wine-run: set WINEPREFIX (no build tree above $exe)" >&2; exit 2; }
  export WINEPREFIX=$dir/wineprefix
fi
wine_prefix_ready "$WINEPREFIX"
exec "$WINE_LOADER" "$@"
