#!/usr/bin/env bash
# Runs every test of the project: installs what is missing, then the native
# suite, the sanitizer suite and short fuzz runs, then the Windows build under
# Wine. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-packages.sh

status=0
run_stage() {
  local script=$1
  [ -f "$script" ] || return 0
  echo "==> $script"
  if ! bash "$script"; then
    echo "FAILED: $script"
    status=1
  fi
}

run_stage tools/test-native.sh
run_stage tools/test-sanitizers.sh
run_stage tools/fuzz-short.sh
run_stage tools/test-windows.sh

if [ "$status" -ne 0 ]; then
  echo "some test stages failed"
fi
exit "$status"
