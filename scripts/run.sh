#!/bin/sh
# Installs what is missing, builds Vantrel and runs it under Wine, as the user who started
# this script: root (through sudo) is asked for only to install missing packages and, where
# the machine cannot execute 32-bit code, to register qemu-user for i386 programs while the
# program runs. It runs the x86 Vantrel.exe that ships: natively under 32-bit Wine, or 32-bit
# Wine under qemu-user 10 or later where the machine cannot execute 32-bit code.
#   run.sh [--arch x64]   --arch x64 runs the x64 build under 64-bit Wine instead
# - With a display ($DISPLAY set): runs Vantrel.exe there until you close it.
# - Without one: runs it for a few seconds in a Wine virtual desktop on a private Xvfb
#   display, so the frame, title and menu are drawn, saves a screenshot once the list is
#   filled and prints the screenshot's path.
#   BUILD_DIR (default: build-product, or build-product-x64) selects the build tree;
#   VANTREL_X86=emulated takes the qemu-user path on a machine that executes 32-bit code.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/lib/x86-support.sh"

ARCH=x86
case "$1" in
"") ;;
--arch)
  ARCH="$2"
  [ "$ARCH" = x86 ] || [ "$ARCH" = x64 ] || { echo "run.sh: unknown architecture '$ARCH' (x86 or x64)"; exit 1; }
  ;;
*)
  echo "run.sh: unknown option $1 (run.sh [--arch x64])"
  exit 1
  ;;
esac

# How the program runs: decided once, by the first of the two processes when sudo started us
# (with qemu-user registered, the second could not tell); that first one also registers it.
decided_here=""
if [ -z "$VANTREL_RUN_HOW" ]; then
  decided_here=1
  if [ "$ARCH" = x64 ]; then
    VANTREL_RUN_HOW=x64
    echo "Running the x64 build of Vantrel under 64-bit Wine (--arch x64; what ships is the x86 program)."
  elif x86_runs_natively; then
    VANTREL_RUN_HOW=native
    echo "Running the x86 Vantrel.exe that ships under 32-bit Wine: this machine executes 32-bit code."
  else
    VANTREL_RUN_HOW=qemu
    echo "Running the x86 Vantrel.exe that ships under 32-bit Wine through qemu-user: this machine cannot" \
      "execute 32-bit x86 code."
  fi
fi

# as_root FUNCTION: one of x86-support.sh's functions, run as root (through sudo if need be).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$1"
  else
    sudo sh -c ". '$here/lib/x86-support.sh' && $1"
  fi
}
# register: qemu-user installed (setup.sh asks for sudo itself) and registered for i386
# programs until this script ends.
register() {
  "$here/setup.sh" --qemu || exit 1
  as_root register_qemu_i386 ||
    { echo "run.sh: cannot register qemu-user for i386 programs (it needs root, through sudo)"; exit 1; }
  trap 'as_root unregister_qemu_i386' EXIT
  trap 'exit 130' INT TERM
}

if [ "$(id -u)" -eq 0 ] && [ -n "$SUDO_USER" ] && [ "$SUDO_USER" != root ]; then
  # Started through sudo: install and register as root, then go on as the user who asked.
  "$here/setup.sh" || exit 1
  [ "$VANTREL_RUN_HOW" != qemu ] || register
  sudo -H -u "$SUDO_USER" env DISPLAY="$DISPLAY" BUILD_DIR="$BUILD_DIR" VANTREL_RUN_HOW="$VANTREL_RUN_HOW" \
    "$0" "$@"
  exit $?
fi

"$here/setup.sh" || exit 1
[ "$VANTREL_RUN_HOW" != qemu ] || [ -z "$decided_here" ] || register
case "$ARCH" in
x86) build="${BUILD_DIR:-$top/build-product}" ;;
x64) build="${BUILD_DIR:-$top/build-product-x64}" ;;
esac
BUILD_DIR="$build" "$here/build.sh" --product --arch "$ARCH" || exit 1
exe="$build/shell/Vantrel.exe"

if [ "$(id -u)" -eq 0 ] && [ -n "$DISPLAY" ]; then
  # A Windows program has no business on a desktop with root's rights.
  echo "Running as root: not showing Vantrel on $DISPLAY; running it headless instead."
  unset DISPLAY
fi

. "$here/lib/wine-env.sh"
export WINEPREFIX="$build/wineprefix-run"
if [ ! -f "$WINEPREFIX/.vantrel-ready" ]; then
  echo "Preparing the Wine prefix $WINEPREFIX (once)..."
fi
"$here/lib/prepare-wine-prefix.sh" "$ARCH" "$WINEPREFIX" || exit 1

if [ -n "$DISPLAY" ]; then
  "$WINE" "$exe"
  rc=$?
  wineserver -w
  [ $rc -eq 0 ] || echo "Vantrel (through $WINE) ended with exit code $rc"
  exit $rc
fi

. "$here/lib/xvfb.sh"
start_xvfb 1024x700x24 || exit 1
wineserver -p >/dev/null 2>&1 </dev/null
"$WINE" explorer /desktop=Vantrel,1024x700 "$exe" &
wine_pid=$!
# Wine needs a few seconds to come up (a few more under qemu-user); the list fills 1.5 s after
# the window appears.
settle=12
[ "$VANTREL_RUN_HOW" != qemu ] || settle=20
sleep $settle
if ! kill -0 $wine_pid 2>/dev/null; then
  wait $wine_pid
  echo "Vantrel did not stay up: $WINE explorer ended with exit code $? within $settle s"
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
