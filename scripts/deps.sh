#!/bin/sh
# Installs the Debian packages klavrun needs: with no word, what building
# and running klavrun takes; "build" adds its tests and its package,
# "windows" the Windows builds and their tests under Wine, "fuzz" the
# libFuzzer targets, "docs" rendering the README's picture.
# Quiet and idempotent: nothing is fetched when everything is there.
set -e

run="cmake g++ make pkg-config libvterm-dev python3"
build="libgtest-dev libbenchmark-dev libx11-dev bash bc less tmux expect xvfb xauth man-db dpkg-dev file lintian asciinema libxml2-utils vim"
windows="wine wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 xvfb"
fuzz="clang-14 libclang-rt-14-dev"
docs="termtosvg"

missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || echo "$p"
  done
}

want="$run"
case " $* " in *" build "*|*" windows "*|*" fuzz "*) want="$want $build" ;; esac
case " $* " in *" windows "*)
  want="$want $windows"
  # wine32 only where this kernel runs 32-bit programs: elsewhere it cannot
  # start, and Debian's wine would pick it all the same.
  case "$(sh "$(dirname "$0")/wine-arch.sh")" in 32*) want="$want wine32:i386" ;; esac ;;
esac
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
