#!/bin/sh
# Fails when a tracked C or C++ file differs from what clang-format makes of it with the
# tree's .clang-format:  check-format.sh SOURCE_DIR
# The tree is laid out so that clang-format 14 (Debian 12) and 19 (Debian 13) make the same of
# it; where a version makes something else, the check fails and shows where.
cd "$1" || exit 1
formatter=$(command -v clang-format) || { echo "clang-format not found (scripts/setup.sh installs it)"; exit 1; }
if [ -d .git ] && command -v git >/dev/null 2>&1; then
  files=$(git ls-files '*.c' '*.cpp' '*.h')
else
  files=$(find . -path './build*' -prune -o -path ./dist -prune -o \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print)
fi
# shellcheck disable=SC2086 # one file name per word: the tree has no blanks in its names
"$formatter" --dry-run -Werror $files || { echo "Run: clang-format -i <file> on the files above"; exit 1; }
echo "$(echo "$files" | wc -w) files laid out as .clang-format says ($("$formatter" --version))"
