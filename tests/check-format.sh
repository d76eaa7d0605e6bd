#!/bin/sh
# Fails when a tracked C or C++ file differs from what clang-format makes of it with the
# tree's .clang-format:  check-format.sh SOURCE_DIR
# The layout is that of clang-format 14 (Debian 12's); another version lays some constructs
# out differently, so the check is skipped (exit 77) rather than failed there.
cd "$1" || exit 1
formatter=$(command -v clang-format-14 || command -v clang-format) || { echo "clang-format not found"; exit 1; }
version=$("$formatter" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
if [ "$version" != 14 ]; then
  echo "$formatter is version $version; the layout is clang-format 14's: not checked"
  exit 77
fi
if [ -d .git ] && command -v git >/dev/null 2>&1; then
  files=$(git ls-files '*.c' '*.cpp' '*.h')
else
  files=$(find . -path './build*' -prune -o -path ./dist -prune -o \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
# shellcheck disable=SC2086 # one file name per word: the tree has no blanks in its names
"$formatter" --dry-run -Werror $files || { echo "Run: clang-format -i <file> (version 14) on the files above"; exit 1; }
echo "$(echo "$files" | wc -w) files laid out as .clang-format says"
