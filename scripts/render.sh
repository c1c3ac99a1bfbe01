#!/usr/bin/env bash
# The main job: builds Halvorn and renders audio through it.
# Without arguments, renders the built-in test sound through program "00 - Default" into
# halvorn-render.wav; any arguments go to the render tool (see build/release/tools/render/halvorn_render --help).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DHALVORN_BUILD_TESTS=OFF -DHALVORN_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target halvorn_render -j"$(nproc)" >/dev/null
"$build/tools/render/halvorn_render" "$@"
