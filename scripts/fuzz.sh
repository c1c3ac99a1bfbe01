#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded, seeded number of inputs.
# Longer runs: build/fuzz/tests/fuzz/fuzz_vst_effect -max_total_time=600 (and likewise the others).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" test

build="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVORN_FUZZ=ON \
      -DHALVORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_state_blob fuzz_vst_effect vst_fuzz_dispatcher
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" --output-on-failure -R '^fuzz\.'
