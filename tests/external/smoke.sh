#!/usr/bin/env bash
# Starts the real kestrivo.exe, finds its window from another process, closes it
# with WM_CLOSE and expects the process to end with exit code 0.
# Usage: smoke.sh WINE_RUN KESTRIVO_EXE PROBE_EXE
set -euo pipefail
WINE_RUN=$1 KESTRIVO_EXE=$2 PROBE_EXE=$3
source "$(dirname "$0")/app_session.sh"

start_app
probe find 30000
probe close 30000
expect_app_exit_zero
