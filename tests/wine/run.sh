#!/bin/sh
# Builds klavrun.exe with MinGW from scratch and tests it under Wine: the
# core's unit tests, the win32 layer's, then the end-to-end test_wine.py.
# Ends with "N passed, N failed"; the exit status is non-zero on any failure.
#   sh tests/wine/run.sh                    builds in build-win
#   KLAVRUN_WIN_BUILD=DIR sh tests/wine/run.sh
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export KLAVRUN_WIN_BUILD="${KLAVRUN_WIN_BUILD:-$ROOT/build-win}"
BUILD=$KLAVRUN_WIN_BUILD

fail() { echo "$1"; echo "0 passed, 1 failed"; exit 1; }
# Nothing is fetched when the packages are there.
sh "$ROOT/scripts/deps.sh" windows || fail "could not install the packages"
# One X server for the whole run, when there is none.
[ -n "${DISPLAY:-}" ] ||
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh "$0" "$@"

TMP=$(mktemp -d /tmp/klavrun-wine-run.XXXXXX)
export WINEPREFIX="$TMP/prefix" KLAVRUN_WINEPREFIX="$TMP/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="  # no Mono or Gecko installer dialog
end_wine() { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; }
trap 'end_wine; rm -rf "$TMP"' EXIT
trap 'exit 1' INT TERM

echo "== build ($BUILD)"
rm -rf "$BUILD"
# Release: the stripped program the package ships is the one tested.
{ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$BUILD" -j"$(nproc)" && cmake --build "$BUILD" --target package; } \
  >"$TMP/build.log" 2>&1 ||
  { tail -n 40 "$TMP/build.log"; fail "build failed"; }
grep -i "warning" "$TMP/build.log"
file "$BUILD/klavrun.exe"

echo "== wine prefix"
timeout 180 wineboot -i >/dev/null 2>&1
end_wine

passed=0
failed=0
count() { passed=$((passed + $1)); failed=$((failed + $2)); }

for exe in klavrun_tests klavrun_win32_tests; do
  log="$TMP/$exe.log"
  echo "== $exe.exe"
  timeout 300 wine "$BUILD/$exe.exe" >"$log" 2>&1
  status=$?
  grep -E '^\[ +(FAILED|PASSED) +\]|^\[=+\] [0-9]+ tests' "$log"
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log")
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log")
  if [ "$status" -ne 0 ] && [ "${bad:-0}" -eq 0 ]; then
    echo "$exe.exe ended with status $status"
    tail -n 20 "$log"
    bad=1
  fi
  count "${ok:-0}" "${bad:-0}"
  end_wine
done

echo "== end to end under wine"
timeout 1500 /usr/bin/python3 "$ROOT/tests/wine/test_wine.py" >"$TMP/e2e.log" 2>&1
cat "$TMP/e2e.log"
counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$TMP/e2e.log" | tail -n1)
if [ -n "$counts" ]; then
  count "$(echo "$counts" | cut -d' ' -f1)" "$(echo "$counts" | cut -d' ' -f3)"
else
  echo "the end-to-end tests did not finish"
  count 0 1
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
