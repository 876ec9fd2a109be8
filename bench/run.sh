#!/usr/bin/env bash
# Benchmarks kestrivo-dump against objdump -p and llvm-readobj on a large real
# DLL, a small one and a synthetic DLL with 200,000 named exports.
#
#   bench/run.sh [RUNS]        (RUNS: timed runs per tool and file, default 5)
#
# Builds kestrivo-dump (Release) into $KESTRIVO_BENCH_BUILD (default
# build-bench), makes the synthetic DLL there once, checks that kestrivo-dump's
# rows are right before timing anything, then prints median times, ratios to
# objdump -p and peak memory. Takes a minute or two; llvm-readobj is the slow one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTRIVO_BENCH_BUILD:-$root/build-bench}
runs=${1:-5}
mingw=/usr/lib/gcc/i686-w64-mingw32/12-win32
reference=$root/tests/data/reference/mingw-dlls

for tool in hyperfine python3 i686-w64-mingw32-objdump /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 2; }
done

echo "==> building kestrivo-dump (Release) in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target kestrivo-dump >/dev/null
dump=$build/kestrivo-dump

data=$build/bench-data
mkdir -p "$data"
synthetic=$data/synthetic-200000.dll
if [ ! -f "$synthetic" ] || [ "$root/bench/make_synthetic_dll.py" -nt "$synthetic" ]; then
  echo "==> generating $synthetic"
  python3 "$root/bench/make_synthetic_dll.py" "$synthetic" 200000 --expected "$data/synthetic-200000.expected.tsv"
fi

echo "==> checking kestrivo-dump's rows before timing them"
for name in libstdc++-6.dll libgcc_s_dw2-1.dll; do
  if ! "$dump" "$mingw/$name" | cmp -s - "$reference/$name.tsv"; then
    echo "bench: kestrivo-dump $name differs from $reference/$name.tsv" >&2
    exit 1
  fi
done
if ! "$dump" "$synthetic" | cut -f2,3 | cmp -s - "$data/synthetic-200000.expected.tsv"; then
  echo "bench: kestrivo-dump's names or estimates for the synthetic DLL are wrong" >&2
  exit 1
fi

readobj=$(command -v llvm-readobj || ls /usr/bin/llvm-readobj-* 2>/dev/null | sort -V | tail -n 1 || true)

python3 "$root/bench/measure.py" --runs "$runs" --dump "$dump" --readobj "${readobj:-}" --work "$data" \
  "$mingw/libstdc++-6.dll" "$mingw/libgcc_s_dw2-1.dll" "$synthetic"
