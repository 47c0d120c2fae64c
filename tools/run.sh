#!/usr/bin/env bash
# Sets up what is missing, builds the program and starts it (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DHOPSCALE_BUILD_TESTS=OFF -DHOPSCALE_BUILD_BENCH=OFF >/dev/null
cmake --build build --target hopscale -j"$(nproc)"
exec build/app/hopscale "$@"
