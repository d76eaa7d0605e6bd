#!/bin/sh
# Installs what is missing, configures and builds Vantrel (x86, the program that ships).
#   build.sh             the program, its tests and benchmarks (build tree: build)
#   build.sh --product   the program alone (build tree: build-product)
#   BUILD_DIR selects another build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
product=""
case "$1" in
"") ;;
--product) product=1 ;;
*)
  echo "build.sh: unknown option $1 (build.sh [--product])"
  exit 1
  ;;
esac
"$here/setup.sh" ${product:+--product} || exit 1
. "$here/lib/tools.sh"
require_tools build.sh cmake make i686-w64-mingw32-g++ i686-w64-mingw32-windres || exit 1
if [ -n "$product" ]; then
  build="${BUILD_DIR:-$top/build-product}"
  options="-DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF"
  target="--target Vantrel"
else
  build="${BUILD_DIR:-$top/build}"
  options=""
  target=""
fi
mkdir -p "$build" || exit 1
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release $options >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; echo "build.sh: configuring $build failed"; exit 1; }
cmake --build "$build" $target -j "$(nproc)" -- --no-print-directory >"$build/build.log" 2>&1 ||
  { cat "$build/build.log"; echo "build.sh: building $build failed"; exit 1; }
