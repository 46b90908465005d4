#!/bin/sh
# Builds klavrun.exe with MinGW from scratch and tests it under Wine:
#   1. the core's unit tests, as a Windows program;
#   2. the win32 layer's tests against the real calls;
#   3. the end-to-end tests (test_wine.py).
# Ends with "N passed, N failed"; the exit status is non-zero on any failure.
#
#   sh tests/wine/run.sh                    builds in build-win
#   KLAVRUN_WIN_BUILD=DIR sh tests/wine/run.sh
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${KLAVRUN_WIN_BUILD:-$ROOT/build-win}
export KLAVRUN_WIN_BUILD="$BUILD"

# Wine, its 32-bit half, the cross-compiler, Xvfb, CMake and GoogleTest's
# sources; nothing is fetched when they are there.
if ! sh "$ROOT/scripts/deps.sh" windows; then
  echo "could not install the packages"
  echo "0 passed, 1 failed"
  exit 1
fi

TMP=$(mktemp -d /tmp/klavrun-wine-run.XXXXXX)
export WINEPREFIX="$TMP/prefix"
export KLAVRUN_WINEPREFIX="$WINEPREFIX"
export WINEDEBUG=-all
# No Mono or Gecko installer dialog while the prefix is made.
export WINEDLLOVERRIDES="mscoree=;mshtml="
XVFB_PID=

end_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
}

cleanup() {
  end_wine
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
  rm -rf "$TMP"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

passed=0
failed=0

echo "== build ($BUILD)"
rm -rf "$BUILD"
if ! { cmake -S "$ROOT" -B "$BUILD" \
         -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null &&
       cmake --build "$BUILD" -j"$(nproc)" >"$TMP/build.log" 2>&1; }; then
  tail -n 40 "$TMP/build.log"
  echo "build failed"
  echo "0 passed, 1 failed"
  exit 1
fi
grep -i "warning" "$TMP/build.log"
file "$BUILD/klavrun.exe"

# One X server for the whole run, when there is none.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3>"$TMP/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.1; done
  DISPLAY=:$(head -n1 "$TMP/display")
  export DISPLAY
fi

echo "== wine prefix"
timeout 180 wineboot -i >/dev/null 2>&1
end_wine

# Runs a GoogleTest program under wine and adds its counts.
run_gtest() {
  exe=$1
  log="$TMP/$(basename "$exe").log"
  echo "== $(basename "$exe")"
  timeout 300 wine "$exe" >"$log" 2>&1
  status=$?
  grep -E '^\[ +(FAILED|PASSED) +\]|^\[=+\] [0-9]+ tests' "$log"
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log")
  bad=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log")
  ok=${ok:-0}
  bad=${bad:-0}
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
    echo "$(basename "$exe") ended with status $status"
    tail -n 20 "$log"
    bad=1
  fi
  passed=$((passed + ok))
  failed=$((failed + bad))
  end_wine
}

run_gtest "$BUILD/klavrun_tests.exe"
run_gtest "$BUILD/klavrun_win32_tests.exe"

echo "== end to end under wine"
timeout 1500 /usr/bin/python3 "$ROOT/tests/wine/test_wine.py" \
  >"$TMP/e2e.log" 2>&1
cat "$TMP/e2e.log"
counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$TMP/e2e.log" | tail -n1)
if [ -n "$counts" ]; then
  passed=$((passed + $(echo "$counts" | cut -d' ' -f1)))
  failed=$((failed + $(echo "$counts" | cut -d' ' -f3)))
else
  echo "the end-to-end tests did not finish"
  failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
