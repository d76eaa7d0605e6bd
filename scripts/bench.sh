#!/bin/sh
# Builds Vantrel (if needed) and runs its benchmarks under Wine on a private Xvfb display:
#   - a refresh against its floor on synthetic tables of 1,000 and 10,000 rows, with the
#     longest wait of the window's own messages meanwhile;
#   - a refresh against the system's own tables holding 2,000 loopback TCP connections and
#     500 UDP sockets, in a private network namespace (needs root; skipped otherwise).
#   bench.sh [RUNS]   RUNS: timed runs of each measurement, the median is printed (default 3).
#   BUILD_DIR (default: build) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build}"
export BUILD_DIR="$build"
runs="${1:-3}"
"$here/build.sh" || exit 1
"$here/prepare-wine-prefix.sh" --tests "$build/wineprefix" || exit 1
"$here/prepare-wine-prefix.sh" --tests "$build/wineprefix-bench-netns" || exit 1

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb=$!
export DISPLAY=":$display"
i=0
while [ ! -e "/tmp/.X11-unix/X$display" ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i + 1)); done

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
. "$here/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
wineserver -p >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null
wine "$build/bench/RefreshBench.exe" "$runs"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

echo
if [ "$(id -u)" -eq 0 ]; then
  # Every socket is a file descriptor in the program and in the wineserver.
  [ "$(ulimit -n)" = unlimited ] || [ "$(ulimit -n)" -ge 16384 ] || ulimit -n 16384 || exit 1
  real_runs=$(( runs < 3 ? runs : 3 ))
  "$here/wine-netns-run.sh" "$build/wineprefix-bench-netns" "$build/bench/RealTablesBench.exe" 2000 500 "$real_runs"
  real_rc=$?
  [ $rc -ne 0 ] || rc=$real_rc
else
  echo "Real tables: skipped (needs root for the private network namespace)"
fi
echo "Load average $(cut -d' ' -f1-3 /proc/loadavg) at end"

kill $xvfb 2>/dev/null
wait $xvfb 2>/dev/null
exit $rc
