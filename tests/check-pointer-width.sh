#!/bin/sh
# The product's sources read as a 64-bit Windows compiler reads them, without building
# anything: a pointer or a handle squeezed into 32 bits, or a pointer-sized result narrowed
# without a cast, fails here although the 32-bit program that ships cannot show it.
#   check-pointer-width.sh SOURCE_DIR MINGW_INCLUDE_DIR
# The MinGW-w64 headers are the same for both widths (they branch on _WIN64).
cd "$1" || exit 1
compiler=$(command -v clang++ || command -v clang) || { echo "clang not found (scripts/setup.sh installs it)"; exit 1; }
resources=$("$compiler" -print-resource-dir)/include
failed=0
count=0
for source in common/*.cpp snapshot/*.cpp stats/*.cpp netparams/*.cpp shell/*.cpp; do
  count=$((count + 1))
  "$compiler" --target=x86_64-w64-windows-gnu -fsyntax-only -x c++ -std=c++17 -nostdinc -isystem "$resources" \
    -isystem "$2" -I . -D_WIN32_WINNT=0x0600 -DWINVER=0x0600 -DWIN32_LEAN_AND_MEAN -DNOMINMAX -DUNICODE -D_UNICODE \
    -Wall -Wextra -Wshorten-64-to-32 -Wpointer-to-int-cast -Wint-to-pointer-cast -Werror "$source" || failed=1
done
[ $failed -eq 0 ] || { echo "The sources above do not hold up as 64-bit code"; exit 1; }
echo "$count sources hold up as 64-bit code"
