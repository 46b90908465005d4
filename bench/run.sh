#!/bin/sh
# Console benchmark: the same workloads driven by klavrun, expect, tmux and
# the limit (klavlimit), side by side. Builds first; pass --quick for a
# shorter run.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KLAVRUN_BUILD:-$here/build-bench}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target klavrun klavhelper klavlimit >/dev/null
exec /usr/bin/python3 "$here/bench/console_bench.py" \
  "$build/klavrun" "$build/klavhelper" "$build/klavlimit" "$@"
