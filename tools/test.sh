#!/usr/bin/env bash
# Sets up what is missing, checks the formatting, then builds with warnings as errors and
# runs every test, then builds again under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer and runs them again, then runs each file reader's fuzzer for a while.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

jobs=$(nproc)
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
export QT_QPA_PLATFORM=offscreen
export TZ=Europe/Berlin

# Repeated runs on one machine reuse what an earlier run compiled (ccache keys on the source
# and the flags, so a result never comes from a different input).
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

echo "== Formatting"
tools/format.sh --check

echo "== Build (warnings are errors) and test"
cmake -S . -B build-ci -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOPSCALE_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build-ci -j"$jobs"
ctest --test-dir build-ci --output-on-failure -j"$jobs" | tee -a "$summary"

echo "== Build under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer and test"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DHOPSCALE_WERROR=ON -DHOPSCALE_SANITIZE=ON "${launcher[@]}" \
  -DHOPSCALE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 \
  UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" | tee -a "$summary"

if [ -x tools/fuzz.sh ]; then
  echo "== Fuzz the file readers"
  tools/fuzz.sh "${FUZZ_SECONDS:-30}"
fi

# One closing line for both test runs: "N passed, N failed".
awk '/tests passed, [0-9]+ tests failed out of/ {
       for (i = 1; i <= NF; i++) if ($i == "of") total += $(i + 1);
       for (i = 1; i <= NF; i++) if ($i == "failed") { failed += $(i - 2) }
     }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"
