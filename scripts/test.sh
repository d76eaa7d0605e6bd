#!/bin/sh
# Builds Vantrel and runs the whole test suite under Wine and a private Xvfb display.
# Needs root (or sudo) for the packages and for the tests' network namespaces.
#   BUILD_DIR (default: build) selects the build tree; extra arguments go to ctest.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build}"
export BUILD_DIR="$build"
"$here/build.sh" || exit 1
"$here/prepare-wine-prefix.sh" --tests "$build/wineprefix" || exit 1
"$here/prepare-wine-prefix.sh" --tests "$build/wineprefix-netns" || exit 1

# A display of our own, so test windows never land on the user's screen.
. "$here/xvfb.sh"
start_xvfb 1280x1024x24

. "$here/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
wineserver -p >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null

cd "$build" && ctest --output-on-failure "$@"
rc=$?
wineserver -k >/dev/null 2>&1
stop_xvfb
exit $rc
