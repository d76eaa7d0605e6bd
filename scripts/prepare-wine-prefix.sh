#!/bin/sh
# Creates a Wine prefix for Vantrel, or brings an older one up to date:
#   prepare-wine-prefix.sh [--tests] PREFIX
# Every prefix of ours (tests, benchmarks, the run command's):
# - no visual theme: Wine's themed list view costs about 10 ms per inserted row and its classic
#   drawing a fraction of that; on Windows the program's list is the classic control anyway;
# - Wine's own fonts (Debian's fonts-wine) linked into the prefix's font folder, where Wine
#   looks for them: without Marlett the caption buttons are drawn as letters.
# --tests adds what running without a window manager or a person needs:
# - unmanaged windows hide at once instead of after 2 s;
# - a crash ends the process instead of waiting on a crash dialog.
. "$(dirname "$0")/wine-env.sh"
tests=""
if [ "$1" = "--tests" ]; then
  tests=1
  shift
fi
export WINEPREFIX="$1"
# Raised whenever the settings below change, so existing prefixes get them too.
settings="3${tests:+ tests}"
ready="$WINEPREFIX/.vantrel-ready"
[ -f "$ready" ] && [ "$(cat "$ready")" = "$settings" ] && exit 0

mkdir -p "$WINEPREFIX"
[ -d "$WINEPREFIX/drive_c/windows" ] || wineboot -i >/dev/null 2>&1 </dev/null || exit 1
setting() {
  wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 </dev/null || exit 1
}
setting 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' ThemeActive REG_SZ 0
if [ -n "$tests" ]; then
  setting 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  setting 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
fi
fonts="$WINEPREFIX/drive_c/windows/Fonts"
for font in /usr/share/wine/fonts/*; do
  [ -e "$font" ] || continue
  [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/" || exit 1
done
wineserver -w
echo "$settings" >"$ready"
