#!/bin/sh
# Installs what is missing, configures and builds Vantrel.
#   build.sh            the program, its tests and benchmarks (build tree: build)
#   build.sh --product  the program alone (build tree: build-product)
#   BUILD_DIR selects another build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
"$here/setup.sh" "$@" || exit 1
if [ "$1" = "--product" ]; then
  build="${BUILD_DIR:-$top/build-product}"
  options="-DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF"
  target="--target Vantrel"
else
  build="${BUILD_DIR:-$top/build}"
  options=""
  target=""
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release $options >/dev/null || exit 1
fi
cmake --build "$build" $target -j "$(nproc)" -- --no-print-directory >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
