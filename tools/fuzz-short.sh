#!/usr/bin/env bash
# Short fuzz runs of every libFuzzer target (about 20 s each, under ASan and
# UBSan): fails when any run finds a crash, a leak, a timeout or a broken
# invariant. Set FUZZ_SECONDS to change the time per target.
set -euo pipefail
cd "$(dirname "$0")/.."
source fuzz/build.sh

build=${KESTRIVO_FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
fuzz_build "$build"

status=0
for target in "${FUZZ_TARGETS[@]}"; do
  echo "==> fuzz_$target for ${seconds}s"
  log="$build/short-$target.log"
  if fuzz_run "$build" "$target" "$seconds" >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units)' "$log" || true
    grep -E '^#[0-9]+' "$log" | tail -1
  else
    echo "FAILED: fuzz_$target (log: $log, inputs: $build/artifacts/)"
    grep -E -A20 'ERROR|runtime error|invariant broken|timeout|leak' "$log" | head -40
    status=1
  fi
done
exit "$status"
