#!/bin/sh
# Builds the release on Debian 12, installing what is missing: the program alone (Release),
# then with CPack
#   dist/Vantrel-VERSION-win32.zip  Vantrel.exe, LICENSE.txt and README.txt
#   dist/Vantrel.exe                the program, as in the zip
#   dist/SHA256SUMS                 checksums of the two
# and prints the zip's path. The program's bytes depend only on the sources; the zip's member
# times are the last commit's (or SOURCE_DATE_EPOCH's, when set).
#   BUILD_DIR (default: build-release) selects the build tree.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build="${BUILD_DIR:-$top/build-release}"
dist="$top/dist"

if [ -z "$SOURCE_DATE_EPOCH" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$top" log -1 --format=%ct 2>/dev/null)
  [ -n "$SOURCE_DATE_EPOCH" ] || { echo "No commit to date the package by: set SOURCE_DATE_EPOCH"; exit 1; }
fi
export SOURCE_DATE_EPOCH
BUILD_DIR="$build" "$here/build.sh" --product || exit 1

rm -rf "$build/package/_CPack_Packages" "$build/package"/*.zip
# Zip entries hold local time: with UTC the same epoch gives the same bytes everywhere. They
# also hold the files' owner: in a user namespace of its own the builder's files read as
# root's, whoever builds. Where such namespaces are not allowed the zip carries the builder's
# user and group numbers.
as_root=""
unshare --map-root-user true 2>/dev/null && as_root="unshare --map-root-user"
(cd "$build" && TZ=UTC $as_root cpack --config CPackConfig.cmake >"$build/package.log" 2>&1) || { cat "$build/package.log"; exit 1; }
zip=$(ls "$build/package"/Vantrel-*-win32.zip)
mkdir -p "$dist"
rm -f "$dist"/Vantrel-*-win32.zip "$dist/Vantrel.exe" "$dist/SHA256SUMS"
cp "$zip" "$build/shell/Vantrel.exe" "$dist/" || exit 1
(cd "$dist" && sha256sum "${zip##*/}" Vantrel.exe >SHA256SUMS) || exit 1
echo "$dist/${zip##*/}"
