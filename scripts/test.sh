#!/bin/sh
# Sets up, builds from scratch and runs every test: the Linux unit and
# end-to-end tests through ctest, the same again built with ASan and UBSan,
# each fuzz target for 30 s, then the Windows builds under Wine, then the
# Debian package (installed, run and removed again). Ends with one line,
# "N passed, M failed", over all of them; a suite that could not run counts
# as failed.
set -u
cd "$(dirname "$0")/.."
passed=0 failed=0 summary=""
logs=$(mktemp -d /tmp/klavrun-test.XXXXXX)
trap 'rm -rf "$logs"' EXIT
# suite NAME PASSED FAILED
suite() {
  passed=$((passed + $2)) failed=$((failed + $3))
  summary="$summary$(printf '  %5s ok %5s failing  %s' "$2" "$3" "$1")
"
}

if ! sh scripts/deps.sh windows fuzz; then
  echo "could not install the packages"
  echo "0 passed, 1 failed"
  exit 1
fi

# ctest_suite NAME DIR CMAKE-ARGS...: builds DIR from scratch, runs its tests.
ctest_suite() {
  name=$1 dir=$2
  shift 2
  echo "== $name"
  rm -rf "$dir"
  if ! { cmake -S . -B "$dir" "$@" && cmake --build "$dir" -j"$(nproc)"; } >"$logs/build" 2>&1; then
    tail -n 40 "$logs/build"
    suite "$name (did not build)" 0 1
    return
  fi
  # The suites hold their own timing margins: they run side by side, a core each.
  ctest --test-dir "$dir" --output-on-failure --timeout 900 -j"$(nproc)" 2>&1 | tee "$logs/ctest"
  set -- $(sed -n 's/.* tests passed, \([0-9]*\) tests failed out of \([0-9]*\)$/\1 \2/p' \
    "$logs/ctest")
  if [ $# -eq 2 ]; then suite "$name" $(($2 - $1)) "$1"; else suite "$name (no summary)" 0 1; fi
}
ctest_suite "ctest" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest_suite "ctest, ASan and UBSan" build-asan -DKLAVRUN_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== fuzz targets"
sh scripts/fuzz.sh 30 2>&1 | tee "$logs/fuzz"
clean=$(grep -c '  clean$' "$logs/fuzz")
dirty=$(grep -c '  FAILED' "$logs/fuzz")
[ "$clean" -gt 0 ] || dirty=$((dirty + 1))
suite "fuzz targets, 30 s each" "$clean" "$dirty"

echo "== wine"
sh tests/wine/run.sh 2>&1 | tee "$logs/wine"
build=$(sed -n 's/^wine: \(.*\)/\1/p' "$logs/wine" | tail -n 1)
set -- $(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$logs/wine" | tail -n 1)
if [ $# -eq 4 ]; then suite "wine, ${build:-no build}" "$1" "$3"; else suite "wine (did not finish)" 0 1; fi

echo "== Debian package"
if sh scripts/test-deb.sh build; then suite "Debian package" 1 0; else suite "Debian package" 0 1; fi

echo "== all suites"
printf '%s' "$summary"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
