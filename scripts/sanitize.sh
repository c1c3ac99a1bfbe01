#!/usr/bin/env bash
# Builds the tests with a sanitizer and runs them: address (with undefined behaviour) or thread.
# Usage: scripts/sanitize.sh address|thread
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:?usage: scripts/sanitize.sh address|thread}"
"$root/scripts/install-deps.sh" test

build="$root/build/$kind"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVORN_SANITIZER="$kind" \
      -DHALVORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# ThreadSanitizer's shadow memory needs the classic address layout on kernels with high ASLR entropy.
if [ "$kind" = thread ] && command -v setarch >/dev/null; then
    setarch "$(uname -m)" -R ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
else
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
fi
