#!/bin/sh
# Installs what is missing, builds Vantrel and runs it under Wine.
# - With a display ($DISPLAY set): runs Vantrel.exe there until you close it.
# - Without one: runs it for a few seconds in a Wine virtual desktop on a private Xvfb
#   display, so the frame, title and menu are drawn, saves a screenshot once the list is
#   filled and prints the screenshot's path.
#   BUILD_DIR (default: build) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build}"
export BUILD_DIR="$build"
"$here/build.sh" || exit 1
exe="$build/shell/Vantrel.exe"

. "$here/wine-env.sh"
# A prefix of its own with Wine's ordinary settings (the test prefixes are tuned for
# running without a window manager).
export WINEPREFIX="$build/wineprefix-run"
if [ ! -f "$WINEPREFIX/.vantrel-ready" ]; then
  echo "Preparing the Wine prefix $WINEPREFIX (once)..."
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 </dev/null || exit 1
  wineserver -w
  touch "$WINEPREFIX/.vantrel-ready"
fi

if [ -n "$DISPLAY" ]; then
  # Under sudo, root needs the invoking user's X authority to reach the display.
  if [ -z "$XAUTHORITY" ] && [ -n "$SUDO_USER" ]; then
    XAUTHORITY="$(getent passwd "$SUDO_USER" | cut -d: -f6)/.Xauthority"
    export XAUTHORITY
  fi
  wine "$exe"
  rc=$?
  wineserver -w
  exit $rc
fi

. "$here/xvfb.sh"
start_xvfb 1024x700x24

wineserver -p >/dev/null 2>&1 </dev/null
wine explorer /desktop=Vantrel,1024x700 "$exe" &
# Wine needs a few seconds to come up; the list fills 1.5 s after the window appears.
sleep 12
shot="$build/vantrel-screenshot.png"
import -window root "$shot"
rc=$?
wineserver -k >/dev/null 2>&1
stop_xvfb
wait
[ $rc -eq 0 ] || exit $rc
echo "Screenshot: $shot"
