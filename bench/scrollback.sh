#!/bin/sh
# The scroll-back's cost to waits (bench/scrollback_bench.py): builds this
# tree, and REV (a git revision from before the scroll-back) to compare with
# when one is given.
#   bench/scrollback.sh [--quick] [REV]
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KLAVRUN_BUILD:-$here/build-bench}
quick=
[ "${1:-}" = --quick ] && { quick=--quick; shift; }
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target klavrun klavhelper >/dev/null
baseline=
if [ -n "${1:-}" ]; then
  old=$(mktemp -d /tmp/klavrun-baseline.XXXXXX)
  trap 'rm -rf "$old"' EXIT
  git -C "$here" archive "$1" | tar -x -C "$old"
  # Optimised across files as this tree's release build is, so that only
  # the scroll-back tells the two apart.
  cmake -S "$old" -B "$old/build" -DCMAKE_BUILD_TYPE=Release -DKLAVRUN_TESTS=OFF \
    -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON >/dev/null
  cmake --build "$old/build" -j2 --target klavrun >/dev/null
  baseline=$old/build/klavrun
fi
/usr/bin/python3 "$here/bench/scrollback_bench.py" "$build/klavrun" "$build/klavhelper" \
  $baseline $quick
