# Sourced by the out-of-process tests: start kestrivo.exe under Wine and make sure
# it is gone when the test ends, whatever happened.
# Needs WINE_RUN, KESTRIVO_EXE and PROBE_EXE set.

# Without an X display Wine cannot create windows: skip (ctest shows it as skipped).
if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY: run the tests inside xvfb-run (tools/test-windows.sh does)"
  exit 77
fi

WINE_RUN=$(realpath "$WINE_RUN") KESTRIVO_EXE=$(realpath "$KESTRIVO_EXE") PROBE_EXE=$(realpath "$PROBE_EXE")

app_pid=""
helper_pids=()
stop_app() {
  for pid in "${helper_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    echo "stopping kestrivo.exe left running"
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
}
trap stop_app EXIT

probe() {
  "$WINE_RUN" "$PROBE_EXE" "$@" | tr -d '\r'
}

# An earlier failed test may have left a window behind; the probe would find that one.
if probe find 0 >/dev/null; then
  echo "a Kestrivo window is already open before the test starts"
  exit 1
fi

start_app() {
  # From the program's own folder, as from Explorer.
  (cd "$(dirname "$KESTRIVO_EXE")" && exec "$WINE_RUN" "$KESTRIVO_EXE") &
  app_pid=$!
}

# Waits for the Wine process of kestrivo.exe; its exit code (low 8 bits) must be 0.
expect_app_exit_zero() {
  local status=0
  wait "$app_pid" || status=$?
  app_pid=""
  if [ "$status" -ne 0 ]; then
    echo "kestrivo.exe ended with exit code $status"
    return 1
  fi
  echo "kestrivo.exe ended with exit code 0"
}
