#!/bin/sh
# Builds the program a second time, from a copy of the sources at another path into another
# build tree, and compares the two programs byte for byte:
#   check-reproducible.sh CMAKE SOURCE_DIR WORK_DIR BUILD_TYPE PROGRAM
cmake="$1"
source="$2"
work="$3"
type="$4"
program="$5"
copy="$work/elsewhere/sources"
build="$work/elsewhere/build"
rm -rf "$work/elsewhere"
mkdir -p "$copy" || exit 1
# The working tree as it stands, without build trees or packages.
(cd "$source" && tar --exclude='./build*' --exclude=./.git --exclude=./dist -cf - .) | (cd "$copy" && tar xf -) || exit 1
"$cmake" -S "$copy" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-w64-i686.cmake" \
         -DCMAKE_BUILD_TYPE="$type" -DVANTREL_TESTS=OFF -DVANTREL_BENCH=OFF >"$work/elsewhere.log" 2>&1 &&
  "$cmake" --build "$build" --target Vantrel -j 2 >>"$work/elsewhere.log" 2>&1 ||
  { cat "$work/elsewhere.log"; exit 1; }
if ! cmp "$program" "$build/shell/Vantrel.exe"; then
  echo "The program built at $build differs from $program"
  exit 1
fi
echo "$program: the same $(wc -c <"$program") bytes when built from $copy into $build"
rm -rf "$work/elsewhere"
