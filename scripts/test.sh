#!/bin/sh
# Sets up, builds from scratch and runs every test: the Linux unit and
# end-to-end tests through ctest, the same again built with ASan and UBSan,
# each fuzz target for 30 s, then the Windows build under Wine, then the
# Debian package (installed, run and removed again).
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh windows fuzz

rm -rf build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" >/dev/null

status=0
ctest --test-dir build --output-on-failure --timeout 900 || status=1

rm -rf build-asan
cmake -S . -B build-asan -DKLAVRUN_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-asan -j"$(nproc)" >/dev/null
ctest --test-dir build-asan --output-on-failure --timeout 900 || status=1
sh scripts/fuzz.sh 30 || status=1
sh tests/wine/run.sh || status=1
sh scripts/test-deb.sh build || status=1
exit $status
