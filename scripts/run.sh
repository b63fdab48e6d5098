#!/usr/bin/env bash
# Builds the application bundle and starts it with its built-in catalog.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-dependencies.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMARLOX_BUILD_TESTS=OFF -DMARLOX_BUILD_BENCHMARKS=OFF
cmake --build "$build" --parallel "$(nproc)"
exec "$build/Marlox Studio.app/Contents/MacOS/MarloxStudio" "$@"
