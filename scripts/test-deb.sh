#!/bin/sh
# Makes the Debian package from a build folder (default: build), checks it
# with lintian, installs it with apt-get, runs the shipped example with the
# installed klavrun, opens its manual page and removes the package again.
# Needs root; scripts/test.sh calls it after the other tests.
set -e
cd "$(dirname "$0")/.."
build=${1:-build}
fail() { echo "test-deb: $*" >&2; exit 1; }

[ -f "$build/CPackConfig.cmake" ] || fail "no configured build in $build"
version=$(sed -n 's/^project(klavrun VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$build/klavrun_${version}_$(dpkg --print-architecture).deb"
rm -f "$build"/klavrun_*.deb
log=$(cd "$build" && cpack -G DEB 2>&1) || fail "cpack failed: $log"
[ -f "$deb" ] || fail "cpack made no $deb"

# Errors fail; warnings are shown.
lint=0
log=$(lintian --fail-on error "$deb" 2>&1) || lint=1
printf '%s\n' "$log" | grep -v -e '^$' -e 'running with root privileges' || true
[ $lint = 0 ] || fail "lintian found errors"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libvterm0; do
  case "$depends" in *"$lib "*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
[ "$(dpkg-deb -f "$deb" Recommends)" = libx11-6 ] || fail "Recommends is not libx11-6"

export DEBIAN_FRONTEND=noninteractive
trap 'apt-get remove -y -qq klavrun >/dev/null 2>&1 || true' EXIT
apt-get install -y -qq "$(realpath "$deb")" >/dev/null 2>&1 || fail "apt-get install failed"
[ "$(dpkg-query -W -f='${Version}' klavrun)" = "$version" ] || fail "installed version is not $version"
for file in /usr/bin/klavrun /usr/bin/klavtrace /usr/bin/klavrec /usr/share/man/man1/klavrec.1.gz \
            /usr/share/doc/klavrun/copyright \
            /usr/share/doc/klavrun/LICENSE /usr/share/doc/klavrun/README.md \
            /usr/share/man/man1/klavrun.1.gz /usr/share/man/man5/klavrun-script.5.gz; do
  [ -f "$file" ] || fail "$file not installed"
done

out=$(cd / && timeout 60 /usr/bin/klavrun /usr/share/doc/klavrun/examples/calculator.klav \
      </dev/null 2>&1) ||
  fail "the example failed: $out"
case "$out" in *42*) ;; *) fail "the example printed no 42: $out" ;; esac
# Checked once klavrun has the option: the one version string everywhere.
if said=$(/usr/bin/klavrun --version 2>/dev/null </dev/null); then
  [ "$(printf '%s' "$said" | tr -d '\r')" = "klavrun $version" ] ||
    fail "klavrun --version says $said"
fi
MANPAGER=cat MANWIDTH=80 man klavrun 2>&1 | grep -q 'klavrun-script(5)' ||
  fail "man klavrun shows no page"

apt-get remove -y -qq klavrun >/dev/null 2>&1 || fail "apt-get remove failed"
trap - EXIT
[ ! -e /usr/bin/klavrun ] || fail "/usr/bin/klavrun left after removal"
echo "test-deb: $(basename "$deb") built, lint-free, installed, run and removed"
