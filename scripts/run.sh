#!/bin/sh
# Installs what is missing, builds Vantrel and runs it under Wine, as the user who started
# this script: root (through sudo) is asked for only to install missing packages.
# - With a display ($DISPLAY set): runs Vantrel.exe there until you close it.
# - Without one: runs it for a few seconds in a Wine virtual desktop on a private Xvfb
#   display, so the frame, title and menu are drawn, saves a screenshot once the list is
#   filled and prints the screenshot's path.
#   BUILD_DIR (default: build-product) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")

if [ "$(id -u)" -eq 0 ] && [ -n "$SUDO_USER" ] && [ "$SUDO_USER" != root ]; then
  # Started through sudo: install as root, then go on as the user who asked.
  "$here/setup.sh" || exit 1
  exec sudo -H -u "$SUDO_USER" env DISPLAY="$DISPLAY" BUILD_DIR="$BUILD_DIR" "$0" "$@"
fi

build="${BUILD_DIR:-$top/build-product}"
export BUILD_DIR="$build"
"$here/setup.sh" || exit 1
"$here/build.sh" --product || exit 1
exe="$build/shell/Vantrel.exe"

if [ "$(id -u)" -eq 0 ] && [ -n "$DISPLAY" ]; then
  # A Windows program has no business on a desktop with root's rights.
  echo "Running as root: not showing Vantrel on $DISPLAY; running it headless instead."
  unset DISPLAY
fi

. "$here/wine-env.sh"
export WINEPREFIX="$build/wineprefix-run"
if [ ! -f "$WINEPREFIX/.vantrel-ready" ]; then
  echo "Preparing the Wine prefix $WINEPREFIX (once)..."
fi
"$here/prepare-wine-prefix.sh" "$WINEPREFIX" || exit 1

if [ -n "$DISPLAY" ]; then
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
