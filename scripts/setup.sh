#!/bin/sh
# Installs what building and testing Vantrel needs on Debian 12, if anything is missing.
#   setup.sh            everything: both compilers, 32- and 64-bit Wine, Xvfb, GoogleTest, the checkers
#   setup.sh --product  only what building the x86 program itself needs
#   setup.sh --qemu     qemu-user 10 or later, which runs x86 programs where the machine cannot
#                       (scripts/test.sh); on Debian 12 from bookworm-backports
# Run by build.sh; quick when everything is there already.
need=""
from=""
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
need_command() {
  command -v "$1" >/dev/null 2>&1 || need="$need $2"
}
need_file() {
  [ -e "$1" ] || need="$need $2"
}
# Debian 12's own qemu-user (7.2) is not enough for 32-bit Wine: each process start takes over a
# minute of CPU, and when Wine's server signals one thread of a program while another is busy
# (an I/O completion), the signal can run on the other thread, which then carries on with the
# first one's registers, and the program hangs. With version 10 (Debian 13; bookworm-backports
# for Debian 12) a process starts in about a second and the same program runs as it does natively.
qemu_recent_enough() {
  version=$(/usr/bin/qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
  [ -n "$version" ] && [ "$version" -ge 10 ]
}
case "$1" in
--qemu)
  if ! qemu_recent_enough; then
    need=" qemu-user"
    . /etc/os-release
    if [ "$VERSION_CODENAME" = bookworm ]; then
      backports=/etc/apt/sources.list.d/bookworm-backports.list
      if ! grep -rqs '^[^#]*bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        . "$(dirname "$0")/lib/debian-mirror.sh"
        mirror=$(debian_mirror) || {
          echo "setup.sh: qemu-user 10 comes from bookworm-backports, and no Debian mirror for bookworm is" \
            "configured in /etc/apt/sources.list or /etc/apt/sources.list.d/ to take it from; add" \
            "'deb MIRROR bookworm-backports main' there, or install qemu-user 10 or later yourself"
          exit 1
        }
        echo "deb $mirror bookworm-backports main" | $sudo tee "$backports" >/dev/null ||
          { echo "setup.sh: cannot add bookworm-backports (for qemu-user 10) to $backports"; exit 1; }
      fi
      from=bookworm-backports
    fi
  fi
  ;;
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
  echo "Installing:$need${from:+ (from $from)}"
  $sudo dpkg --add-architecture i386 || { echo "setup.sh: dpkg --add-architecture i386 failed"; exit 1; }
  $sudo apt-get update -q >/dev/null || { echo "setup.sh: apt-get update failed"; exit 1; }
  log=$(mktemp)
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends ${from:+-t $from} $need >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "setup.sh: installing$need failed"
    exit 1
  fi
  rm -f "$log"
fi
if [ "$1" = --qemu ] && ! qemu_recent_enough; then
  echo "setup.sh: /usr/bin/qemu-i386 is missing or older than version 10 ($(/usr/bin/qemu-i386 --version 2>&1 | head -1))"
  exit 1
fi
exit 0
