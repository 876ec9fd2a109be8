#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer into $1 and writes fresh
# seed corpora into $1/seeds (from the test fixtures and Debian's MinGW DLLs).
# Sourced by tools/fuzz-short.sh and tools/fuzz-campaign.sh.
set -euo pipefail

fuzz_build() {
  local build=$1
  local cc=clang-14 cxx=clang++-14
  command -v "$cxx" >/dev/null || { cc=clang; cxx=clang++; }
  cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
  cmake --build "$build" --target fuzz_listing fuzz_disassembly fuzz_text make_seeds
  rm -rf "$build/seeds"
  local dlls=()
  for dll in /usr/lib/gcc/i686-w64-mingw32/12-win32/*.dll; do [ -f "$dll" ] && dlls+=("$dll"); done
  "$build/make_seeds" "$build/seeds" "${dlls[@]}"
}

# The targets with the largest input each one is given.
declare -A FUZZ_MAX_LEN=([listing]=65536 [disassembly]=8192 [text]=1024)
FUZZ_TARGETS=(listing disassembly text)

# Runs target $2 of build $1 for $3 seconds; extra arguments go to libFuzzer.
# Crashes, leaks and timeouts land in $1/artifacts. Fails on any of them.
fuzz_run() {
  local build=$1 target=$2 seconds=$3
  shift 3
  mkdir -p "$build/corpus/$target" "$build/artifacts"
  # The sanitizers abort on the first report; -timeout turns a hang into a
  # failure (25 s, as the machine may be busy with other work); the RSS limit
  # catches memory that grows with the input.
  "$build/fuzz_$target" "$build/corpus/$target" "$build/seeds/$target" \
    -dict=fuzz/$target.dict -max_len="${FUZZ_MAX_LEN[$target]}" -max_total_time="$seconds" \
    -timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$@"
}
