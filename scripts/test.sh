#!/bin/sh
# Builds Vantrel for x86 and x64 and runs the whole test suite of each under Wine, on a private
# Xvfb display; ends with the summary of both and fails if either suite did. Needs root (or
# sudo) for the packages, the tests' network namespaces and, where used, qemu-user.
# - x64 (build-x64): every test but those of the x86 image, under 64-bit Wine, and
#   x86_end_to_end, which runs the x86 program that ships end to end.
# - x86 (build): the whole suite under 32-bit Wine where the machine executes 32-bit code.
#   Where it cannot, the tests that execute no x86 code (image, reproducibility, package,
#   format, static analysis) run, every other one is reported skipped, and qemu-user is
#   registered for i386 programs so that x86_end_to_end can run the program.
#   BUILD_DIR (default: build) selects the x86 build tree, BUILD_DIR-x64 is the x64 one;
#   VANTREL_X86=emulated tries the no-32-bit path on a machine that has it; extra arguments go
#   to both ctest runs (scripts/test.sh -R snapshot).
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build}"
build64="$build-x64"
. "$here/x86-support.sh"
. "$here/xvfb.sh"

BUILD_DIR="$build" "$here/build.sh" || exit 1
BUILD_DIR="$build64" VANTREL_X86_PROGRAM="$build/shell/Vantrel.exe" "$here/build.sh" --arch x64 || exit 1

prepare() {
  "$here/prepare-wine-prefix.sh" --tests "$@" || exit 1
}
prepare x64 "$build64/wineprefix"
prepare x64 "$build64/wineprefix-netns"
qemu=""
if x86_runs_natively; then
  prepare x86 "$build/wineprefix"
  prepare x86 "$build/wineprefix-netns"
else
  echo "This machine cannot execute 32-bit x86 code: the x86 suite runs only the tests that execute" \
    "no x86 code, and x86_end_to_end runs the x86 program under qemu-user."
  export VANTREL_X86_SKIP="this machine cannot execute 32-bit x86 code (x86_end_to_end runs the x86 program under qemu-user)"
  "$here/setup.sh" --qemu || exit 1
  register_qemu_i386 || exit 1
  qemu=1
fi
x86_prefix="$build64/wineprefix-x86"
if [ ! -f "$x86_prefix/.vantrel-ready" ]; then
  echo "Preparing $x86_prefix, which also runs x86 programs (once)..."
fi
prepare --x86-programs x64 "$x86_prefix"

start_xvfb 1280x1024x24 || exit 1

# run_suite ARCH TREE: the tree's ctest, with its Wine prefix's server and services started
# beforehand (output to /dev/null: Wine's background processes would hold ctest's pipe open).
run_suite() {
  ARCH="$1"
  tree="$2"
  shift 2
  echo
  echo "==== $ARCH suite ($tree)"
  . "$here/wine-env.sh"
  export WINEPREFIX="$tree/wineprefix"
  if [ "$ARCH" = x64 ] || [ -z "$VANTREL_X86_SKIP" ]; then
    wineserver -p >/dev/null 2>&1 </dev/null
    "$WINE" wineboot >/dev/null 2>&1 </dev/null
  fi
  { (cd "$tree" && ctest --output-on-failure "$@"); echo $? >"$tree/ctest.rc"; } | tee "$tree/ctest.log"
  wineserver -k >/dev/null 2>&1
  read -r suite_rc <"$tree/ctest.rc"
  return "$suite_rc"
}
run_suite x86 "$build" "$@"
rc86=$?
run_suite x64 "$build64" "$@"
rc64=$?

stop_xvfb
[ -z "$qemu" ] || unregister_qemu_i386

echo
for suite in "x64 $build64" "x86 $build"; do
  echo "==== ${suite%% *} suite summary"
  sed -n '/tests passed, .* tests failed out of/,$p' "${suite#* }/ctest.log"
done
[ "$rc86" -eq 0 ] && [ "$rc64" -eq 0 ]
