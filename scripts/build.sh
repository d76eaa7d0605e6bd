#!/bin/sh
# Installs what is missing, configures and builds Vantrel.
#   build.sh [--product] [--arch x64]
#   (no option)   the x86 program, its tests and benchmarks (build tree: build)
#   --product     the program alone (build tree: build-product)
#   --arch x64    the same for x64 (build trees: build-x64, build-product-x64)
#   BUILD_DIR selects another build tree; VANTREL_X86_PROGRAM, for an x64 tree, the x86
#   Vantrel.exe that its x86_end_to_end test runs.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
product=""
arch=x86
while [ $# -gt 0 ]; do
  case "$1" in
  --product) product=1 ;;
  --arch)
    arch="$2"
    shift
    ;;
  *)
    echo "build.sh: unknown option $1"
    exit 1
    ;;
  esac
  shift
done
case "$arch" in
x86) toolchain=mingw-w64-i686 suffix="" ;;
x64) toolchain=mingw-w64-x86_64 suffix=-x64 ;;
*)
  echo "build.sh: unknown architecture '$arch' (x86 or x64)"
  exit 1
  ;;
esac
"$here/setup.sh" ${product:+--product} || exit 1
if [ -n "$product" ]; then
  build="${BUILD_DIR:-$top/build-product$suffix}"
  options="-DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF"
  target="--target Vantrel"
else
  build="${BUILD_DIR:-$top/build$suffix}"
  options="${VANTREL_X86_PROGRAM:+-DVANTREL_X86_PROGRAM=$VANTREL_X86_PROGRAM}"
  target=""
fi
mkdir -p "$build" || exit 1
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain.cmake" \
      -DCMAKE_BUILD_TYPE=Release $options >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; echo "build.sh: configuring $build ($arch) failed"; exit 1; }
cmake --build "$build" $target -j "$(nproc)" -- --no-print-directory >"$build/build.log" 2>&1 ||
  { cat "$build/build.log"; echo "build.sh: building $build ($arch) failed"; exit 1; }
