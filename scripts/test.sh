#!/bin/sh
# Builds Vantrel for x86 and x64 and runs the whole test suite of each under Wine, on a private
# Xvfb display; ends with the summary of both and fails if either suite did. Needs root (or
# sudo) for the packages, the tests' network namespaces and, where used, qemu-user.
# - x86 (build): the whole suite under 32-bit Wine, on the x86 program that ships. Where the
#   machine cannot execute 32-bit code, 32-bit Wine runs under qemu-user 10 or later, installed
#   by setup.sh --qemu and registered for i386 programs until the run ends; if it cannot be
#   had, the x86 suite fails, saying why.
# - x64 (build-x64): every test but those of the x86 image, under 64-bit Wine, and
#   x86_end_to_end, which runs the x86 program that ships in a 64-bit prefix.
#   BUILD_DIR (default: build) selects the x86 build tree, BUILD_DIR-x64 is the x64 one;
#   VANTREL_X86=emulated takes the qemu-user path on a machine that executes 32-bit code;
#   extra arguments go to both ctest runs (scripts/test.sh -R snapshot).
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build}"
build64="$build-x64"
. "$here/lib/x86-support.sh"
. "$here/lib/xvfb.sh"

BUILD_DIR="$build" "$here/build.sh" || exit 1
BUILD_DIR="$build64" VANTREL_X86_PROGRAM="$build/shell/Vantrel.exe" "$here/build.sh" --arch x64 || exit 1

qemu=""
xvfb=""
cleanup() {
  [ -z "$xvfb" ] || stop_xvfb
  [ -z "$qemu" ] || unregister_qemu_i386
}
trap cleanup EXIT
trap 'exit 130' INT TERM

prepare() {
  "$here/lib/prepare-wine-prefix.sh" --tests "$@" || exit 1
}
prepare x64 "$build64/wineprefix"
prepare x64 "$build64/wineprefix-netns"
# Why the x86 suite cannot run, if it cannot; it then fails with this one line.
no_x86=""
if x86_runs_natively; then
  echo "This machine executes 32-bit x86 code: the x86 suite runs natively under 32-bit Wine."
else
  echo "This machine cannot execute 32-bit x86 code: the x86 suite and x86_end_to_end run the x86" \
    "programs under qemu-user, registered for i386 programs until the run ends."
  if ! "$here/setup.sh" --qemu; then
    no_x86="qemu-user 10 or later (/usr/bin/qemu-i386), which runs 32-bit Wine on this machine, could not be installed; on Debian 12 it comes from bookworm-backports (see the line above), on Debian 13 from the release"
  elif register_qemu_i386; then
    qemu=1
  else
    no_x86="qemu-user could not be registered with binfmt_misc for i386 programs (run as root)"
  fi
fi
if [ -z "$no_x86" ]; then
  prepare x86 "$build/wineprefix"
  prepare x86 "$build/wineprefix-netns"
  x86_prefix="$build64/wineprefix-x86"
  [ -f "$x86_prefix/.vantrel-ready" ] || echo "Preparing $x86_prefix, which also runs x86 programs (once)..."
  prepare --x86-programs x64 "$x86_prefix"
fi

start_xvfb 1280x1024x24 || exit 1
xvfb=1

# run_suite ARCH TREE: the tree's ctest, with its Wine prefix's server and services started
# beforehand (output to /dev/null: Wine's background processes would hold ctest's pipe open).
run_suite() {
  ARCH="$1"
  tree="$2"
  shift 2
  echo
  echo "==== $ARCH suite ($tree)"
  if [ "$ARCH" = x86 ] && [ -n "$no_x86" ]; then
    echo "x86 suite failed: $no_x86" | tee "$tree/ctest.log"
    return 1
  fi
  . "$here/lib/wine-env.sh"
  export WINEPREFIX="$tree/wineprefix"
  wineserver -p >/dev/null 2>&1 </dev/null
  "$WINE" wineboot >/dev/null 2>&1 </dev/null
  { (cd "$tree" && ctest --output-on-failure "$@"); echo $? >"$tree/ctest.rc"; } | tee "$tree/ctest.log"
  wineserver -k >/dev/null 2>&1
  read -r suite_rc <"$tree/ctest.rc"
  return "$suite_rc"
}
run_suite x86 "$build" "$@"
rc86=$?
run_suite x64 "$build64" "$@"
rc64=$?

echo
for suite in "x64 $build64" "x86 $build"; do
  echo "==== ${suite%% *} suite summary"
  sed -n '/tests passed, .* tests failed out of/,$p;/^x86 suite failed: /p' "${suite#* }/ctest.log"
done
[ "$rc86" -eq 0 ] && [ "$rc64" -eq 0 ]
