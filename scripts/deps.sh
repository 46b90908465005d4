#!/bin/sh
# Installs the Debian packages klavrun needs: "build" for the Linux build,
# its tests and its package, "windows" for the Windows build and its tests
# under Wine, "fuzz" for the libFuzzer targets, "docs" for rendering the
# README's picture.
# Quiet and idempotent: nothing is fetched when everything is there.
set -e

build="cmake g++ make pkg-config libvterm-dev libgtest-dev libbenchmark-dev libx11-dev python3 bash bc vim less tmux expect xvfb xauth man-db dpkg-dev file lintian asciinema"
windows="wine wine32:i386 wine64 g++-mingw-w64-i686 xvfb"
fuzz="clang-14 libclang-rt-14-dev"
docs="termtosvg"

missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
  done
}

want="$build"
case " $* " in *" windows "*) want="$want $windows" ;; esac
case " $* " in *" fuzz "*) want="$want $fuzz" ;; esac
case " $* " in *" docs "*) want="$want $docs" ;; esac
need=$(missing $want)
[ -z "$need" ] && exit 0

case "$need" in *:i386*)
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
# shellcheck disable=SC2086
apt-get install -y -qq $need >/dev/null
