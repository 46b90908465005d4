#!/bin/sh
# Builds klavrun.exe with MinGW from scratch and tests it under Wine: the
# core's unit tests, the win32 layer's, the release build's make-up, then
# the end-to-end cases (tests/wine/cases, run by tests/wine/run_cases.py).
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

passed=0 failed=0
count() { passed=$((passed + $1)); failed=$((failed + $2)); }

# Each test program: its gtest summary lines, and any status but 0 a failure.
for exe in klavrun_tests klavrun_win32_tests; do
  echo "== $exe.exe"
  timeout 300 wine "$BUILD/$exe.exe" >"$TMP/$exe.log" 2>&1
  status=$?
  grep -E '^\[ +(FAILED|PASSED) +\]|^\[=+\] [0-9]+ tests' "$TMP/$exe.log" ||
    tail -n 20 "$TMP/$exe.log"
  ok=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$TMP/$exe.log")
  count "${ok:-0}" $((status != 0))
  end_wine
done

echo "== release build"
# Stripped, versioned, with its manifest, importing only what every Windows
# has, and packaged: one test, each fault a line.
release_faults() {
  exe="$BUILD/klavrun.exe"
  version=$(sed -n 's/.*KLAVRUN_VERSION "\(.*\)".*/\1/p' "$BUILD/generated/version.h")
  headers=$(i686-w64-mingw32-objdump -p "$exe")
  dlls=$(echo "$headers" | sed -n 's/.*DLL Name: //p' | LC_ALL=C sort | tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll USER32.dll msvcrt.dll " ] || echo "imports $dlls"
  i686-w64-mingw32-objdump -h "$exe" | grep -q '\.debug' && echo "debug sections left"
  # The resource types: 0x10 the version, 0x18 the manifest.
  types=$(echo "$headers" | sed -n 's/^[0-9a-f]\{3\}   Entry: ID: 0x0*\([0-9a-f]*\),.*/\1/p')
  [ "$(echo $types)" = "10 18" ] || echo "resource types $types"
  for text in Klavrun "$version" klavrun.exe; do
    strings -el "$exe" | grep -qxF "$text" || echo "no version text $text"
  done
  for text in 'level="asInvoker"' 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
      8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a "version=\"$version.0\""; do
    grep -qaF "$text" "$exe" || echo "no manifest text $text"
  done
  top="klavrun-$version-win32"
  python3 -m zipfile -e "$BUILD/$top.zip" "$TMP/zip" || echo "no package $top.zip"
  for name in klavrun.exe README.md LICENSE examples/calculator.klav; do
    [ -f "$TMP/zip/$top/$name" ] || echo "package lacks $name"
  done
  cmp -s "$TMP/zip/$top/klavrun.exe" "$exe" || echo "package holds another klavrun.exe"
}
faults=$(release_faults 2>&1)
if [ -z "$faults" ]; then count 1 0; echo "ok"; else count 0 1; echo "$faults"; fi

echo "== end to end under wine"
timeout 1500 python3 "$ROOT/tests/wine/run_cases.py" "$ROOT/tests/wine/cases" 2>&1 |
  tee "$TMP/e2e.log"
# The runner ends with "N passed, N failed": its words.
set -- $(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$TMP/e2e.log" | tail -n1)
[ $# -eq 4 ] || { echo "the end-to-end cases did not finish"; set -- 0 - 1; }
count "$1" "$3"
# No Wine process of the prefix may outlive its run.
end_wine
left=$(grep -lzx "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null | while read -r e; do
  readlink "${e%/environ}/exe" | grep -q /wine && basename "${e%/environ}"; done)
[ -z "$left" ] || { echo "wine processes were left running: $left"; kill -9 $left; count 0 1; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
