#!/bin/sh
# Installs what is missing, configures and builds Vantrel and its tests.
#   BUILD_DIR (default: build) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
"$here/setup.sh" || exit 1
build="${BUILD_DIR:-$top/build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
fi
cmake --build "$build" -j "$(nproc)" -- --no-print-directory >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
