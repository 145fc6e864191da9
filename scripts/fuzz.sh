#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, libraries instrumented for coverage) in
# build-fuzz/ and runs each for the given number of seconds.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default: 60 s, every *_fuzz)
# Each target keeps its corpus in build-fuzz/corpus/<target>; crashes land
# in build-fuzz/crashes/<target>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build-fuzz"
CXX=clang++ CC=clang cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= \
  -DCMAKE_CXX_FLAGS="-O1 -g -fsanitize=fuzzer-no-link" \
  -DKAOCG_SANITIZE=ON -DKAOCG_FUZZ=ON -DKAOCG_GUI=OFF -DKAOCG_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$root"/fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/crashes/$t"
  seeds=()
  [ -d "$root/fuzz/seeds/$t" ] && seeds=("$root/fuzz/seeds/$t")
  echo "== $t for ${seconds}s"
  "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=4096 -artifact_prefix="$build/crashes/$t/" \
    "$build/corpus/$t" "${seeds[@]}" 2>&1 | tail -n 5 || status=1
done
exit $status
