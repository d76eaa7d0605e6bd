#!/bin/sh
# Installs what building and testing Vantrel needs on Debian 12, if anything is missing.
#   setup.sh            everything: compilers, Wine, Xvfb, GoogleTest, the checkers
#   setup.sh --product  only what building the program itself needs
# Run by build.sh; quick when everything is there already.
need=""
command -v i686-w64-mingw32-g++ >/dev/null 2>&1 || need="$need g++-mingw-w64-i686-posix"
command -v i686-w64-mingw32-windres >/dev/null 2>&1 || need="$need binutils-mingw-w64-i686"
command -v cmake >/dev/null 2>&1 || need="$need cmake"
command -v make >/dev/null 2>&1 || need="$need make"
if [ "$1" != "--product" ]; then
  [ -f /usr/src/googletest/CMakeLists.txt ] || need="$need googletest"
  [ -x /usr/lib/wine/wine ] || need="$need wine wine32:i386"
  command -v Xvfb >/dev/null 2>&1 || need="$need xvfb"
  command -v xauth >/dev/null 2>&1 || need="$need xauth"
  command -v import >/dev/null 2>&1 || need="$need imagemagick"
  command -v ip >/dev/null 2>&1 || need="$need iproute2"
  command -v unshare >/dev/null 2>&1 || need="$need util-linux"
  command -v python3 >/dev/null 2>&1 || need="$need python3"
  command -v cppcheck >/dev/null 2>&1 || need="$need cppcheck"
  command -v clang-format >/dev/null 2>&1 || need="$need clang-format"
  [ -f /usr/share/wine/fonts/marlett.ttf ] || need="$need fonts-wine"
fi
if [ -n "$need" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing:$need"
  $sudo dpkg --add-architecture i386 || exit 1
  $sudo apt-get update -q >/dev/null || exit 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $need >/dev/null || exit 1
fi
