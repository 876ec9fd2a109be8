#!/usr/bin/env bash
# A long fuzz campaign: every target at once, each for CAMPAIGN_MINUTES
# (default 12), keeping its corpus in the build folder between campaigns.
# Prints executions, coverage and findings per target; fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
source fuzz/build.sh

build=${KESTRIVO_FUZZ_BUILD:-build-fuzz}
minutes=${CAMPAIGN_MINUTES:-12}
fuzz_build "$build"

mkdir -p "$build/campaign"
pids=()
for target in "${FUZZ_TARGETS[@]}"; do
  fuzz_run "$build" "$target" $((minutes * 60)) >"$build/campaign/$target.log" 2>&1 &
  pids+=($!)
done

status=0
for k in "${!FUZZ_TARGETS[@]}"; do
  target=${FUZZ_TARGETS[$k]}
  if wait "${pids[$k]}"; then result=clean; else result=FOUND; status=1; fi
  log="$build/campaign/$target.log"
  execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  echo "fuzz_$target: $result, ${minutes} min, executions ${execs:-?}; last: $last"
done
ls "$build/artifacts" 2>/dev/null | sed 's/^/artifact: /' || true
exit "$status"
