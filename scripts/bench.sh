#!/usr/bin/env bash
# Builds the benchmarks optimised and runs them all (by hand, never in CI).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/deps.sh"
build="$root/build-bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAOCG_BENCH=ON -DKAOCG_TESTS=OFF
cmake --build "$build" -j"$(nproc)"
for b in "$build"/bench/*_bench; do
  [[ -x $b ]] && "$b" "$@"
done
