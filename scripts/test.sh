#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

# Qt's SVG module is only the baseline of a benchmark; the product never links it.
scripts/install-dependencies.sh qt6-svg-dev

build=build/test
jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Line tables are all a sanitizer report needs, and they build faster than full debug data.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
    "${launcher[@]}" -DMARLOX_SANITIZE=ON -DMARLOX_WERROR=ON -DMARLOX_BUILD_TESTS=ON -DMARLOX_BUILD_BENCHMARKS=ON
cmake --build "$build" --parallel "$jobs"
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" --timeout 300
