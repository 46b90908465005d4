#!/bin/sh
# Records the shipped example and renders docs/example.svg, the README's
# picture, from the recording.
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh docs
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKLAVRUN_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target klavrun >/dev/null
build/klavrun --record build/example.cast examples/calculator.klav >/dev/null
# The last frame, the answer, stays 3 s before the animation starts again.
termtosvg render build/example.cast docs/example.svg -D 3000 >/dev/null
echo "docs/example.svg"
