#!/bin/sh
# Sets up, builds from scratch and runs every test: the Linux unit and
# end-to-end tests through ctest, then the Windows build under Wine, then
# the Debian package (installed, run and removed again).
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh windows

rm -rf build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" >/dev/null

status=0
ctest --test-dir build --output-on-failure --timeout 900 || status=1
sh tests/wine/run.sh || status=1
sh scripts/test-deb.sh build || status=1
exit $status
