#!/bin/sh
# Creates a Wine prefix for Vantrel, or brings an older one up to date:
#   prepare-wine-prefix.sh [--tests] [--wow64] PREFIX
# A prefix is 32-bit Wine's unless --wow64 asks for a 64-bit one, which runs our x86 programs
# in its 32-bit half (drive_c/windows/syswow64), as 64-bit Windows runs a 32-bit program, with
# the system folder redirected for them. That half is made only while the machine can execute
# 32-bit code (natively, or through qemu-user).
# Every prefix of ours (tests, benchmarks, the run command's):
# - no visual theme: Wine's themed list view costs about 10 ms per inserted row and its classic
#   drawing a fraction of that; on Windows the program's list is the classic control anyway;
# - Wine's own fonts (Debian's fonts-wine) linked into the prefix's font folder, where Wine
#   looks for them: without Marlett the caption buttons are drawn as letters.
# --tests adds what running without a window manager or a person needs:
# - unmanaged windows hide at once instead of after 2 s;
# - a crash ends the process instead of waiting on a crash dialog.
tests=""
wow64=""
while :; do
  case "$1" in
  --tests) tests=1 ;;
  --wow64) wow64=1 ;;
  *) break ;;
  esac
  shift
done
. "$(dirname "$0")/wine-env.sh"
. "$(dirname "$0")/tools.sh"
export WINEPREFIX="$1"
# Raised whenever the settings below change, so existing prefixes get them too.
settings="5${tests:+ tests}${wow64:+ wow64}"
ready="$WINEPREFIX/.vantrel-ready"
[ -f "$ready" ] && [ "$(cat "$ready")" = "$settings" ] && exit 0

fail() {
  echo "prepare-wine-prefix.sh: $WINEPREFIX: $1"
  exit 1
}
# A prefix of the other kind, or a 64-bit one made without its 32-bit half (which it cannot
# gain later), is made anew.
x86_half="$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll"
if [ -d "$WINEPREFIX/drive_c/windows" ]; then
  if [ -n "$wow64" ]; then
    [ -f "$x86_half" ] || rm -rf "$WINEPREFIX"
  else
    [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ] || rm -rf "$WINEPREFIX"
  fi
fi
require_tools prepare-wine-prefix.sh "$WINE" wineserver wineboot /usr/lib/wine/wine \
  /usr/share/wine/fonts/marlett.ttf ${wow64:+"$WINE64"} || exit 1
mkdir -p "$WINEPREFIX" || fail "cannot make the folder"
if [ ! -d "$WINEPREFIX/drive_c/windows" ]; then
  loader=$WINE
  arch=win32
  [ -z "$wow64" ] || { loader=$WINE64; arch=win64; }
  log="$WINEPREFIX/wineboot.log"
  if ! WINEARCH=$arch "$loader" wineboot -i >"$log" 2>&1 </dev/null; then
    echo "prepare-wine-prefix.sh: $WINEPREFIX: $loader wineboot -i failed; its last lines ($log):"
    tail -n 15 "$log"
    exit 1
  fi
fi
[ -z "$wow64" ] || [ -f "$x86_half" ] || fail "has no 32-bit half (the machine ran no 32-bit code while it was made)"
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
