#!/bin/sh
# Creates a Wine prefix for Vantrel, or brings an older one up to date:
#   prepare-wine-prefix.sh [--tests] [--x86-programs] ARCH PREFIX
# ARCH (x86 or x64) is the architecture of the programs it runs: an x86 prefix is 32-bit Wine's,
# an x64 prefix 64-bit Wine's. --x86-programs (x64 only) makes sure the prefix has its 32-bit
# half too, so that it runs the x86 program as well: that half is made only while the machine
# can execute 32-bit code (natively, or through qemu-user).
# Every prefix of ours (tests, benchmarks, the run command's):
# - no visual theme: Wine's themed list view costs about 10 ms per inserted row and its classic
#   drawing a fraction of that; on Windows the program's list is the classic control anyway;
# - Wine's own fonts (Debian's fonts-wine) linked into the prefix's font folder, where Wine
#   looks for them: without Marlett the caption buttons are drawn as letters.
# --tests adds what running without a window manager or a person needs:
# - unmanaged windows hide at once instead of after 2 s;
# - a crash ends the process instead of waiting on a crash dialog.
tests=""
x86_programs=""
while :; do
  case "$1" in
  --tests) tests=1 ;;
  --x86-programs) x86_programs=1 ;;
  *) break ;;
  esac
  shift
done
ARCH="$1"
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$2"
# Raised whenever the settings below change, so existing prefixes get them too.
settings="4 $ARCH${tests:+ tests}${x86_programs:+ x86-programs}"
ready="$WINEPREFIX/.vantrel-ready"
[ -f "$ready" ] && [ "$(cat "$ready")" = "$settings" ] && exit 0

fail() {
  echo "prepare-wine-prefix.sh: $WINEPREFIX: $1"
  exit 1
}
# A prefix made without its 32-bit half cannot gain it later: made anew.
x86_half="$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
[ -z "$x86_programs" ] || [ ! -d "$WINEPREFIX/drive_c/windows" ] || [ -f "$x86_half" ] || rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX" || fail "cannot make the folder"
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || fail "$WINE wineboot -i failed"
fi
[ -z "$x86_programs" ] || [ -f "$x86_half" ] || fail "has no 32-bit half (the machine ran no 32-bit code while it was made)"
setting() {
  "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 </dev/null || fail "cannot set $1\\$2"
}
setting 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' ThemeActive REG_SZ 0
if [ -n "$tests" ]; then
  setting 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  setting 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/wine/fonts/*; do
  [ -e "$font" ] || continue
  [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/" || fail "cannot link $font"
done
wineserver -w
echo "$settings" >"$ready"
