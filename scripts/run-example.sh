#!/bin/sh
# Sets up, builds and runs the shipped example against a real program. It
# installs only what building and running klavrun takes: no test tools.
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKLAVRUN_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target klavrun >/dev/null
build/klavrun examples/calculator.klav
