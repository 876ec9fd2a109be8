#!/usr/bin/env bash
# Builds the engine, kestrivo-dump and the native test suite with
# AddressSanitizer and UndefinedBehaviorSanitizer in their own build folder and
# runs the suite: any report aborts the test that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KESTRIVO_SANITIZE_BUILD:-build-sanitize}
cc=clang-14 cxx=clang++-14
command -v "$cxx" >/dev/null || { cc=gcc; cxx=g++; }
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
