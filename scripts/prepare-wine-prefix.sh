#!/bin/sh
# Creates (once) a Wine prefix for the tests: prepare-wine-prefix.sh PREFIX
# - no window manager is needed: unmanaged windows hide at once instead of after 2 s;
# - a crash ends the process instead of waiting on a crash dialog.
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$1"
if [ ! -f "$WINEPREFIX/.vantrel-ready" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 </dev/null || exit 1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
  wineserver -w
  touch "$WINEPREFIX/.vantrel-ready"
fi
