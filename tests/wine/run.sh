#!/bin/sh
# Builds klavrun.exe with MinGW from scratch, 32-bit and 64-bit, and tests
# one of them under Wine: the core's unit tests, the win32 layer's, then the
# end-to-end cases (tests/wine/cases, run by tests/wine/run_cases.py). The
# make-up of both release builds is checked, which needs no Wine.
# The tests run the 32-bit build where this kernel runs 32-bit programs, else
# the 64-bit one under wine64 (scripts/wine-arch.sh; KLAVRUN_WINE_ARCH=32 or
# 64 forces either). Ends with "N passed, N failed"; the exit status is
# non-zero on any failure.
#   sh tests/wine/run.sh                    builds in build-win and build-win64
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)

fail() { echo "$1"; echo "0 passed, 1 failed"; exit 1; }
# Nothing is fetched when the packages are there.
sh "$ROOT/scripts/deps.sh" windows || fail "could not install the packages"
# One X server for the whole run, when there is none.
[ -n "${DISPLAY:-}" ] ||
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" sh "$0" "$@"

arch=$(sh "$ROOT/scripts/wine-arch.sh") || fail "no Windows build to test"
export KLAVRUN_WIN_ARCH="${arch%% *}"
echo "== wine: $KLAVRUN_WIN_ARCH-bit build ${arch#* }"
BUILD32=$ROOT/build-win BUILD64=$ROOT/build-win64
if [ "$KLAVRUN_WIN_ARCH" = 64 ]; then BUILD=$BUILD64; else BUILD=$BUILD32; fi
export KLAVRUN_WIN_BUILD=$BUILD

TMP=$(mktemp -d /tmp/klavrun-wine-run.XXXXXX)
export WINEPREFIX="$TMP/prefix" KLAVRUN_WINEPREFIX="$TMP/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="  # no Mono or Gecko installer dialog
end_wine() { wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; }
trap 'end_wine; rm -rf "$TMP"' EXIT
trap 'exit 1' INT TERM
if [ "$KLAVRUN_WIN_ARCH" = 64 ]; then
  # Debian's wine (and wineconsole, wineboot through it) starts the 32-bit
  # loader whenever wine32 is installed, even where it cannot run.
  mkdir "$TMP/bin"
  for name in wine wine-stable; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$TMP/bin/$name"
    chmod +x "$TMP/bin/$name"
  done
  export PATH="$TMP/bin:$PATH" WINELOADER=/usr/lib/wine/wine64
fi

passed=0 failed=0
count() { passed=$((passed + $1)); failed=$((failed + $2)); }

# build DIR TOOLCHAIN TESTS: Release, since the stripped program the zip
# ships is the one tested.
build() {
  echo "== build ($1)"
  rm -rf "$1"
  { cmake -S "$ROOT" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$2.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DKLAVRUN_TESTS="$3" &&
    cmake --build "$1" -j"$(nproc)" && cmake --build "$1" --target package; } \
    >"$TMP/build-$2.log" 2>&1 || { tail -n 40 "$TMP/build-$2.log"; return 1; }
  grep -i "warning" "$TMP/build-$2.log"
  file "$1/klavrun.exe"
}
# The build under test has the test programs; the other only what ships.
if [ "$KLAVRUN_WIN_ARCH" = 64 ]; then
  build "$BUILD64" mingw-x86_64 ON || fail "build failed"
  build "$BUILD32" mingw-i686 OFF || count 0 1
else
  build "$BUILD32" mingw-i686 ON || fail "build failed"
  build "$BUILD64" mingw-x86_64 OFF || count 0 1
fi

echo "== release builds"
# release_faults DIR BITS: stripped, versioned, with its manifest, importing
# only what every Windows has, and packaged. Each fault a line.
release_faults() {
  exe="$1/klavrun.exe"
  if [ "$2" = 64 ]; then
    prefix=x86_64-w64-mingw32 format="PE32+ executable (console) x86-64" zip=win64
  else
    prefix=i686-w64-mingw32 format="PE32 executable (console) Intel 80386" zip=win32
  fi
  [ -f "$exe" ] || { echo "no $exe"; return; }
  file -b "$exe" | grep -qF "$format" || echo "not a $format: $(file -b "$exe")"
  version=$(sed -n 's/.*KLAVRUN_VERSION "\(.*\)".*/\1/p' "$1/generated/version.h")
  headers=$($prefix-objdump -p "$exe")
  dlls=$(echo "$headers" | sed -n 's/.*DLL Name: //p' | LC_ALL=C sort | tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll USER32.dll msvcrt.dll " ] || echo "imports $dlls"
  $prefix-objdump -h "$exe" | grep -q '\.debug' && echo "debug sections left"
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
  top="klavrun-$version-$zip"
  rm -rf "$TMP/zip"
  python3 -m zipfile -e "$1/$top.zip" "$TMP/zip" || echo "no package $top.zip"
  for name in klavrun.exe README.md LICENSE examples/calculator.klav; do
    [ -f "$TMP/zip/$top/$name" ] || echo "package lacks $name"
  done
  cmp -s "$TMP/zip/$top/klavrun.exe" "$exe" || echo "package holds another klavrun.exe"
}
for bits in 32 64; do
  if [ "$bits" = 64 ]; then dir=$BUILD64; else dir=$BUILD32; fi
  faults=$(release_faults "$dir" "$bits" 2>&1)
  if [ -z "$faults" ]; then count 1 0; echo "ok: $bits-bit"; else count 0 1; echo "$faults"; fi
done

echo "== wine prefix"
timeout 180 wineboot -i >/dev/null 2>&1
end_wine

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

echo "== end to end under wine ($KLAVRUN_WIN_ARCH-bit)"
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
echo "wine: $KLAVRUN_WIN_ARCH-bit build"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
