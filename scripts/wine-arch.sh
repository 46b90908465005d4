#!/bin/sh
# Which Windows build the Wine suite runs on this machine: prints "32" or
# "64", then the reason. 32 when the kernel runs 32-bit programs (tried with
# one, since a kernel built without IA-32 emulation refuses them whatever the
# machine is called), else 64: no Wine runs 32-bit Windows programs there.
# KLAVRUN_WINE_ARCH=32 or 64 forces either.
case "${KLAVRUN_WINE_ARCH:-}" in
  32|64) echo "$KLAVRUN_WINE_ARCH (forced by KLAVRUN_WINE_ARCH)"; exit 0 ;;
  "") ;;
  *) echo "KLAVRUN_WINE_ARCH is 32 or 64, not '$KLAVRUN_WINE_ARCH'" >&2; exit 2 ;;
esac

probe=$(mktemp /tmp/klavrun-i386.XXXXXX) || exit 2
# A static i386 program of 96 bytes: the ELF header, one loadable segment,
# then mov eax, 1; mov ebx, 42; int 0x80 (exit 42). Only a kernel that ran
# it gives 42: a shell that gets ENOEXEC reads the file as a script instead.
{
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
  printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'
  printf '\270\001\000\000\000\273\052\000\000\000\315\200'
} >"$probe"
chmod 700 "$probe"
"$probe" 2>/dev/null
if [ $? -eq 42 ]; then
  echo "32 (this kernel runs 32-bit programs)"
else
  echo "64 (this kernel runs no 32-bit programs)"
fi
rm -f "$probe"
