#!/bin/sh
# Builds Vantrel (if needed) and runs its benchmarks under Wine on a private Xvfb display:
#   - a refresh against its floor on synthetic tables of 1,000, 6,000 and 10,000 rows, with the
#     longest wait of the window's own messages meanwhile;
#   - a refresh against the system's own tables holding 2,000 loopback TCP connections and
#     500 UDP sockets, in a private network namespace (needs root; skipped otherwise).
#   bench.sh [--arch x86|x64] [RUNS]   RUNS: timed runs of each measurement, the median is
#   printed (default 3). Without --arch: x64, then x86 where the machine executes 32-bit code.
#   BUILD_DIR (default: build) selects the x86 build tree, BUILD_DIR-x64 is the x64 one.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/lib/x86-support.sh"
. "$here/lib/xvfb.sh"
build="${BUILD_DIR:-$top/build}"
archs=""
if [ "$1" = --arch ]; then
  archs="$2"
  shift 2
fi
runs="${1:-3}"
if [ -z "$archs" ]; then
  archs=x64
  if x86_runs_natively; then
    archs="x64 x86"
  else
    echo "x86: not measured, this machine cannot execute 32-bit x86 code"
  fi
fi

# The machine's CPU time so far, all of it and the part a hypervisor took for others ("steal"):
# on a shared virtual machine that part slows every figure, so the run reports its share.
cpu_ticks() {
  awk '/^cpu /{ total = 0; for (i = 2; i <= 9; i++) total += $i; print total, $9 }' /proc/stat
}

# bench ARCH TREE: both benchmarks of one architecture.
bench() {
  ARCH="$1"
  tree="$2"
  BUILD_DIR="$tree" "$here/build.sh" --arch "$ARCH" || return 1
  "$here/lib/prepare-wine-prefix.sh" --tests "$ARCH" "$tree/wineprefix" || return 1
  "$here/lib/prepare-wine-prefix.sh" --tests "$ARCH" "$tree/wineprefix-bench-netns" || return 1
  echo
  echo "==== $ARCH ($tree)"
  echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at start"
  ticks_at_start=$(cpu_ticks)
  . "$here/lib/wine-env.sh"
  export WINEPREFIX="$tree/wineprefix"
  wineserver -p >/dev/null 2>&1 </dev/null
  "$WINE" wineboot >/dev/null 2>&1 </dev/null
  "$WINE" "$tree/bench/RefreshBench.exe" "$runs"
  bench_rc=$?
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1

  echo
  if [ "$(id -u)" -eq 0 ]; then
    # Every socket is a file descriptor in the program and in the wineserver.
    [ "$(ulimit -n)" = unlimited ] || [ "$(ulimit -n)" -ge 16384 ] || ulimit -n 16384 || return 1
    real_runs=$((runs < 3 ? runs : 3))
    "$here/lib/wine-netns-run.sh" "$ARCH" "$tree/wineprefix-bench-netns" "$tree/bench/RealTablesBench.exe" 2000 500 \
      "$real_runs" || bench_rc=1
  else
    echo "Real tables: skipped (needs root for the private network namespace)"
  fi
  echo "Load average $(cut -d' ' -f1-3 /proc/loadavg) at end"
  echo "$ticks_at_start $(cpu_ticks)" |
    awk '{ if ($3 > $1) printf "CPU time taken by the hypervisor for others (steal) during the run: %.1f%%\n", 100 * ($4 - $2) / ($3 - $1) }'
  return $bench_rc
}

start_xvfb 1280x1024x24 || exit 1
rc=0
for arch in $archs; do
  case "$arch" in
  x86) bench x86 "$build" || rc=1 ;;
  x64) bench x64 "$build-x64" || rc=1 ;;
  *)
    echo "bench.sh: unknown architecture '$arch' (x86 or x64)"
    rc=1
    ;;
  esac
done
stop_xvfb
exit $rc
