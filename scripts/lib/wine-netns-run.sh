#!/bin/sh
# Runs one Windows program in a network namespace of its own, with a Wine prefix whose
# wineserver and services are started inside that namespace, so the endpoint tables the
# program reads hold only the sockets it opens itself.
#   wine-netns-run.sh PREFIX PROGRAM [ARGS...]
# The prefix must not be in use by any other namespace (ctest serialises these tests).
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
. "$here/tools.sh"
require_tools wine-netns-run.sh unshare ip "$WINE" wineserver || exit 1
if [ -z "$VANTREL_IN_NETNS" ]; then
  export VANTREL_IN_NETNS=1
  exec unshare -n "$here/wine-netns-run.sh" "$@"
fi
export WINEPREFIX="$1"
shift
ip link set lo up || exit 1
# A wineserver left from an earlier namespace would create this test's sockets in its own.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
# Start the server and services with output to /dev/null: they outlive the program, and a
# process holding ctest's output pipe would keep ctest waiting.
wineserver -p >/dev/null 2>&1 </dev/null
"$WINE" wineboot >/dev/null 2>&1 </dev/null
"$WINE" "$@"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1
# Whatever the program left running in the namespace (a 32-bit program under qemu-user can
# outlive its wineserver) would hold ctest's output pipe open: nothing outlives the test.
namespace=$(readlink /proc/self/ns/net)
for process in /proc/[0-9]*; do
  pid=${process#/proc/}
  [ "$pid" != $$ ] && [ "$(readlink "$process/ns/net" 2>/dev/null)" = "$namespace" ] && kill -9 "$pid" 2>/dev/null
done
exit $rc
