#!/bin/sh
# Builds Vantrel with its tests and runs the whole suite under Wine, on a private Xvfb display,
# and ends with ctest's summary and the time of each phase. Needs root (or sudo) for the
# packages and for the tests' network namespaces; run through sudo, it leaves the build tree
# to the user who asked.
# Every program is the x86 one: natively under 32-bit Wine where the machine executes 32-bit
# code, otherwise through qemu-user 10 or later (installed and registered by setup.sh --qemu).
# The tests run in three prefixes of the build tree: wineprefix and wineprefix-netns (32-bit
# Windows), and wineprefix-wow64, a 64-bit one that runs them in its 32-bit half, as 64-bit
# Windows does for most of the program's users.
#   BUILD_DIR (default: build) selects the build tree; arguments go to ctest (test.sh -R snapshot).
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build}"
. "$here/lib/x86-support.sh"
. "$here/lib/xvfb.sh"

phase_start=$(date +%s)
phases=""
# phase NAME: the time since the previous phase ended, kept for the summary.
phase() {
  now=$(date +%s)
  phases="$phases$(printf '  %-10s %5d s' "$1" $((now - phase_start)))
"
  phase_start=$now
}

prepare_x86_execution "the suite" || { echo "test.sh: no way to run 32-bit x86 programs here (see above)"; exit 1; }
BUILD_DIR="$build" "$here/build.sh" || exit 1
phase build
. "$here/lib/tools.sh"
require_tools test.sh ctest wine wineserver unshare ip || exit 1

xvfb=""
cleanup() {
  [ -z "$xvfb" ] || stop_xvfb
  # Run through sudo: the tree stays the user's, to build in and to run Wine in.
  [ -z "$SUDO_UID" ] || [ "$SUDO_UID" = 0 ] || chown -R "$SUDO_UID:$SUDO_GID" "$build" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# Wine runs only in a prefix of the user's own; an earlier run through sudo gave them away.
if [ "$(id -u)" -eq 0 ]; then
  for prefix in wineprefix wineprefix-netns wineprefix-wow64; do
    [ ! -d "$build/$prefix" ] || chown -R 0:0 "$build/$prefix" || exit 1
  done
fi
"$here/lib/prepare-wine-prefix.sh" --tests "$build/wineprefix" || exit 1
"$here/lib/prepare-wine-prefix.sh" --tests "$build/wineprefix-netns" || exit 1
"$here/lib/prepare-wine-prefix.sh" --tests --wow64 "$build/wineprefix-wow64" || exit 1
phase prefixes

start_xvfb 1280x1024x24 || exit 1
xvfb=1
# The server and services of the tree's prefix, started beforehand with output to /dev/null:
# Wine's background processes would otherwise hold ctest's pipe open.
. "$here/lib/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
wineserver -p >/dev/null 2>&1 </dev/null
"$WINE" wineboot >/dev/null 2>&1 </dev/null
{ (cd "$build" && ctest --output-on-failure "$@"); echo $? >"$build/ctest.rc"; } | tee "$build/ctest.log"
read -r rc <"$build/ctest.rc"
wineserver -k >/dev/null 2>&1
phase suite

echo
echo "Time by phase:"
printf '%s' "$phases"
echo
sed -n '/tests passed, .* tests failed out of/,$p' "$build/ctest.log"
exit "$rc"
