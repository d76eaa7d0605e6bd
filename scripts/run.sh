#!/bin/sh
# Installs what is missing, builds Vantrel and runs the x86 Vantrel.exe that ships under 32-bit
# Wine, as the user who started this script: natively where the machine executes 32-bit code,
# through qemu-user 10 or later where it cannot (installed and registered for the machine by
# setup.sh --qemu). Root (directly, or through sudo) is needed only to install what is missing
# (setup.sh --run) and to register qemu-user.
# - With a display ($DISPLAY set): runs Vantrel.exe there until you close it.
# - Without one: runs it in a Wine virtual desktop on a private Xvfb display, saves a
#   screenshot once the list has been filled and the screen has stopped changing (within a
#   bound), and prints the screenshot's path.
#   BUILD_DIR (default: build-product) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/lib/x86-support.sh"
[ $# -eq 0 ] || { echo "run.sh: takes no options"; exit 1; }

if [ -z "$VANTREL_RUN_PREPARED" ]; then
  prepare_x86_execution "the x86 Vantrel.exe that ships" || exit 1
  "$here/setup.sh" --run || exit 1
  if [ "$(id -u)" -eq 0 ] && [ -n "$SUDO_USER" ] && [ "$SUDO_USER" != root ]; then
    # Started through sudo: set up as root, then go on as the user who asked.
    exec sudo -H -u "$SUDO_USER" env DISPLAY="$DISPLAY" BUILD_DIR="$BUILD_DIR" VANTREL_RUN_PREPARED=1 "$0"
  fi
fi
build="${BUILD_DIR:-$top/build-product}"
BUILD_DIR="$build" "$here/build.sh" --product || exit 1
exe="$build/shell/Vantrel.exe"

if [ "$(id -u)" -eq 0 ] && [ -n "$DISPLAY" ]; then
  # A Windows program has no business on a desktop with root's rights.
  echo "Running as root: not showing Vantrel on $DISPLAY; running it headless instead."
  unset DISPLAY
fi

. "$here/lib/tools.sh"
require_tools run.sh wine wineserver || exit 1
. "$here/lib/wine-env.sh"
export WINEPREFIX="$build/wineprefix-run"
[ -f "$WINEPREFIX/.vantrel-ready" ] || echo "Preparing the Wine prefix $WINEPREFIX (once)..."
"$here/lib/prepare-wine-prefix.sh" "$WINEPREFIX" || exit 1

if [ -n "$DISPLAY" ]; then
  "$WINE" "$exe"
  rc=$?
  wineserver -w
  [ $rc -eq 0 ] || echo "Vantrel (through $WINE) ended with exit code $rc"
  exit $rc
fi

require_tools run.sh import compare || exit 1
. "$here/lib/xvfb.sh"
xvfb=""
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -z "$xvfb" ] || stop_xvfb
  rm -f "$build"/vantrel-screen-*.png
}
trap cleanup EXIT
trap 'exit 130' INT TERM
start_xvfb 1024x700x24 || exit 1
xvfb=1
# The screen before Wine draws anything: the window's coming counts as a change even where the
# list then stays empty (Wine 10 lists no socket but those of Windows programs).
previous="$build/vantrel-screen-0.png"
import -window root "$previous" || { echo "Cannot take a screenshot of the Xvfb display (import failed)"; exit 1; }
wineserver -p >/dev/null 2>&1 </dev/null
"$WINE" explorer /desktop=Vantrel,1024x700 "$exe" >/dev/null 2>&1 &
wine_pid=$!
# The screenshot waits for the list: the window comes up (a few seconds, more under qemu-user),
# the list fills 1.5 s later, row by row. Taken once the screen has changed (the window, its
# rows) and then looks the same twice 2 s apart; at the latest after 90 s.
shot="$build/vantrel-screenshot.png"
changes=0
waited=0
while :; do
  sleep 2
  waited=$((waited + 2))
  if ! kill -0 $wine_pid 2>/dev/null; then
    wait $wine_pid
    echo "Vantrel did not stay up: $WINE explorer ended with exit code $? within $waited s"
    exit 1
  fi
  kill -0 "$XVFB_PID" 2>/dev/null || { echo "Xvfb ended while Vantrel ran"; exit 1; }
  current="$build/vantrel-screen-$waited.png"
  import -window root "$current" || { echo "Cannot take a screenshot of the Xvfb display (import failed)"; exit 1; }
  if [ "$(compare -metric AE "$previous" "$current" null: 2>&1)" != 0 ]; then
    changes=$((changes + 1))
  elif [ $changes -gt 0 ]; then
    break
  fi
  previous="$current"
  [ $waited -lt 90 ] || { echo "The screen had not settled after $waited s: the screenshot shows it as it was then"; break; }
done
cp "$current" "$shot" || { echo "Cannot save the screenshot $shot"; exit 1; }
echo "Screenshot: $shot"
