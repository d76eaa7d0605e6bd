#!/bin/sh
# Builds Vantrel (if needed) and runs its benchmarks under Wine on a private Xvfb display:
#   - a refresh against its floor on synthetic tables of 1,000, 6,000 and 10,000 rows, with the
#     longest wait of the window's own messages meanwhile;
#   - a refresh against the system's own tables holding 2,000 loopback TCP connections and
#     500 UDP sockets, in a private network namespace (needs root; skipped otherwise).
#   bench.sh [RUNS]   RUNS: timed runs of each measurement, the median is printed (default 3).
#   BUILD_DIR (default: build) selects the build tree. Docs: docs/performance.md.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/lib/x86-support.sh"
. "$here/lib/tools.sh"
. "$here/lib/xvfb.sh"
tree="${BUILD_DIR:-$top/build}"
runs="${1:-3}"
# Under qemu-user every list message is slower (the program is emulated, the wineserver is
# not), so the figures would be the emulator's, not the program's.
if [ "$(x86_execution)" != native ]; then
  echo "bench.sh: this machine does not execute 32-bit x86 code itself; the benchmarks are measured only where it does"
  exit 1
fi

# The machine's CPU time so far, all of it and the part a hypervisor took for others ("steal"):
# on a shared virtual machine that part slows every figure, so the run reports its share.
cpu_ticks() {
  awk '/^cpu /{ total = 0; for (i = 2; i <= 9; i++) total += $i; print total, $9 }' /proc/stat
}

BUILD_DIR="$tree" "$here/build.sh" || exit 1
"$here/lib/prepare-wine-prefix.sh" --tests "$tree/wineprefix" || exit 1
"$here/lib/prepare-wine-prefix.sh" --tests "$tree/wineprefix-bench-netns" || exit 1
xvfb=""
cleanup() {
  wineserver -k >/dev/null 2>&1
  [ -z "$xvfb" ] || stop_xvfb
}
trap cleanup EXIT
trap 'exit 130' INT TERM
start_xvfb 1280x1024x24 || exit 1
xvfb=1
echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
ticks_at_start=$(cpu_ticks)
. "$here/lib/wine-env.sh"
export WINEPREFIX="$tree/wineprefix"
wineserver -p >/dev/null 2>&1 </dev/null
"$WINE" wineboot >/dev/null 2>&1 </dev/null
"$WINE" "$tree/bench/RefreshBench.exe" "$runs"
rc=$?
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

echo
if [ "$(id -u)" -eq 0 ]; then
  # Every socket is a file descriptor in the program and in the wineserver.
  [ "$(ulimit -n)" = unlimited ] || [ "$(ulimit -n)" -ge 16384 ] || ulimit -n 16384 || exit 1
  real_runs=$((runs < 3 ? runs : 3))
  "$here/lib/wine-netns-run.sh" "$tree/wineprefix-bench-netns" "$tree/bench/RealTablesBench.exe" 2000 500 \
    "$real_runs" || rc=1
else
  echo "Real tables: skipped (needs root for the private network namespace)"
fi
echo "Load average $(cut -d' ' -f1-3 /proc/loadavg) at end"
echo "$ticks_at_start $(cpu_ticks)" |
  awk '{ if ($3 > $1) printf "CPU time taken by the hypervisor for others (steal) during the run: %.1f%%\n", 100 * ($4 - $2) / ($3 - $1) }'
exit $rc
