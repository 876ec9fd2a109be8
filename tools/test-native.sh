#!/usr/bin/env bash
# Builds the engine, the command-line lister and their tests natively and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KESTRIVO_NATIVE_BUILD:-build-native}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
