#!/usr/bin/env bash
# Sets everything up and runs every test, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.  Extra arguments go to ctest (for example
# -R G1T to run some tests only).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"

build="$root/build-test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O1 -g" -DKAOCG_SANITIZE=ON -DKAOCG_TESTS=ON
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
