#!/bin/sh
# Installs what is missing, builds Vantrel and runs it under Wine, as the user who started
# this script: root (through sudo) is asked for only to install missing packages. It runs the
# x86 program that ships where the machine executes 32-bit code, otherwise the x64 build under
# 64-bit Wine, and says which.
# - With a display ($DISPLAY set): runs Vantrel.exe there until you close it.
# - Without one: runs it for a few seconds in a Wine virtual desktop on a private Xvfb
#   display, so the frame, title and menu are drawn, saves a screenshot once the list is
#   filled and prints the screenshot's path.
#   BUILD_DIR (default: build-product, or build-product-x64) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/x86-support.sh"

if [ "$(id -u)" -eq 0 ] && [ -n "$SUDO_USER" ] && [ "$SUDO_USER" != root ]; then
  # Started through sudo: install as root, then go on as the user who asked.
  "$here/setup.sh" || exit 1
  exec sudo -H -u "$SUDO_USER" env DISPLAY="$DISPLAY" BUILD_DIR="$BUILD_DIR" "$0" "$@"
fi

"$here/setup.sh" || exit 1
if x86_runs_natively; then
  ARCH=x86
  echo "Running the x86 Vantrel.exe under 32-bit Wine: this machine executes 32-bit code."
  build="${BUILD_DIR:-$top/build-product}"
else
  ARCH=x64
  echo "Running the x64 build of Vantrel under 64-bit Wine: this machine cannot execute 32-bit x86 code."
  build="${BUILD_DIR:-$top/build-product-x64}"
fi
BUILD_DIR="$build" "$here/build.sh" --product --arch "$ARCH" || exit 1
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
"$here/prepare-wine-prefix.sh" "$ARCH" "$WINEPREFIX" || exit 1

if [ -n "$DISPLAY" ]; then
  "$WINE" "$exe"
  rc=$?
  wineserver -w
  [ $rc -eq 0 ] || echo "Vantrel (through $WINE) ended with exit code $rc"
  exit $rc
fi

. "$here/xvfb.sh"
start_xvfb 1024x700x24 || exit 1
wineserver -p >/dev/null 2>&1 </dev/null
"$WINE" explorer /desktop=Vantrel,1024x700 "$exe" &
wine_pid=$!
# Wine needs a few seconds to come up; the list fills 1.5 s after the window appears.
sleep 12
if ! kill -0 $wine_pid 2>/dev/null; then
  wait $wine_pid
  echo "Vantrel did not stay up: $WINE explorer ended with exit code $? within 12 s"
  wineserver -k >/dev/null 2>&1
  stop_xvfb
  exit 1
fi
shot="$build/vantrel-screenshot.png"
import -window root "$shot"
rc=$?
wineserver -k >/dev/null 2>&1
stop_xvfb
wait
[ $rc -eq 0 ] || { echo "Cannot save the screenshot $shot (import: exit code $rc)"; exit $rc; }
echo "Screenshot: $shot"
