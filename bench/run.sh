#!/bin/sh
# The benchmarks, one after the other, each printing its table:
#   1. the console workloads driven by klavrun, expect, tmux and the limit
#      (klavlimit), side by side: medians of 7 interleaved repeats;
#   2. what the scroll-back costs a wait, against a build of BASELINE (a
#      revision from before it; d65f7d3 unless given);
#   3. 1, 2, 4 and 8 scripts run side by side.
# Builds first. --quick: one short repeat of each, not for comparison.
#   bench/run.sh [--quick] [BASELINE]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KLAVRUN_BUILD:-$here/build-bench}
quick=
[ "${1:-}" = --quick ] && { quick=--quick; shift; }
baseline=${1:-d65f7d3}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target klavrun klavhelper klavlimit >/dev/null
echo "== console workloads"
/usr/bin/python3 "$here/bench/console_bench.py" \
  "$build/klavrun" "$build/klavhelper" "$build/klavlimit" $quick
echo
echo "== the scroll-back's cost to waits, against $baseline"
KLAVRUN_BUILD=$build sh "$here/bench/scrollback.sh" $quick "$baseline"
echo
echo "== scripts side by side"
/usr/bin/python3 "$here/bench/parallel_bench.py" "$build/klavrun" $quick
