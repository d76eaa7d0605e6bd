#!/bin/sh
# Installs what building and testing Vantrel needs on Debian 12, if anything is missing.
#   setup.sh            everything: both compilers, 32- and 64-bit Wine, Xvfb, GoogleTest, the checkers
#   setup.sh --product  only what building the x86 program itself needs
#   setup.sh --qemu     qemu-user, which runs x86 programs where the machine cannot (scripts/test.sh)
# Run by build.sh; quick when everything is there already.
need=""
need_command() {
  command -v "$1" >/dev/null 2>&1 || need="$need $2"
}
need_file() {
  [ -e "$1" ] || need="$need $2"
}
case "$1" in
--qemu) need_file /usr/bin/qemu-i386-static qemu-user-static ;;
*)
  need_command i686-w64-mingw32-g++ g++-mingw-w64-i686-posix
  need_command i686-w64-mingw32-windres binutils-mingw-w64-i686
  need_command cmake cmake
  need_command make make
  if [ "$1" != "--product" ]; then
    need_command x86_64-w64-mingw32-g++ g++-mingw-w64-x86-64-posix
    need_command x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
    need_file /usr/src/googletest/CMakeLists.txt googletest
    # 32-bit Wine is installed also where the machine cannot run it: its packages still
    # install, and the x64 prefix that runs the x86 program needs its files.
    need_file /usr/lib/wine/wine "wine wine32:i386"
    need_file /usr/lib/wine/wine64 wine64
    need_command Xvfb xvfb
    need_command xauth xauth
    need_command import imagemagick
    need_command ip iproute2
    need_command unshare util-linux
    need_command python3 python3
    need_command cppcheck cppcheck
    need_command clang-format clang-format
    need_file /usr/share/wine/fonts/marlett.ttf fonts-wine
  fi
  ;;
esac
if [ -n "$need" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing:$need"
  $sudo dpkg --add-architecture i386 || { echo "setup.sh: dpkg --add-architecture i386 failed"; exit 1; }
  $sudo apt-get update -q >/dev/null || { echo "setup.sh: apt-get update failed"; exit 1; }
  log=$(mktemp)
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $need >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "setup.sh: installing$need failed"
    exit 1
  fi
  rm -f "$log"
fi
exit 0
