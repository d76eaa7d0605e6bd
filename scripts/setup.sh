#!/bin/sh
# Installs what Vantrel's commands need on Debian 12 or 13, if anything is missing.
#   setup.sh --product  building the program itself (build.sh --product, release.sh)
#   setup.sh --run      running it too (run.sh): 32-bit Wine, Xvfb and ImageMagick for the
#                       screenshot, Wine's fonts
#   setup.sh            everything, the test suite's too (build.sh, test.sh, bench.sh)
#   setup.sh --qemu     qemu-user 10 or later, registered for i386 programs, which runs 32-bit
#                       Wine where the machine cannot execute 32-bit code; on Debian 12 from
#                       bookworm-backports. The registration stays for the machine (until it
#                       restarts): echo -1 >/proc/sys/fs/binfmt_misc/vantrel-qemu-i386 removes it.
# Run by the other scripts; quick when everything is there already. As root it installs
# directly; otherwise through sudo, which the user must be allowed to use.
here=$(cd "$(dirname "$0")" && pwd)

# The packages of each set. 32-bit Wine's packages install also where the machine cannot run
# it; qemu-user runs it there.
product_packages="g++-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make"
run_packages="$product_packages wine wine32:i386 xvfb xauth imagemagick fonts-wine"
# The suite adds 64-bit Wine, which makes the 64-bit prefix whose 32-bit half runs our programs
# as 64-bit Windows would, GoogleTest's sources, the network namespaces' tools and the checkers.
all_packages="$run_packages wine64 googletest iproute2 util-linux python3 cppcheck clang-format clang"

need=""
from=""
# Debian 12's own qemu-user (7.2) is not enough for 32-bit Wine: each process start takes over a
# minute of CPU, and when Wine's server signals one thread of a program while another is busy
# (an I/O completion), the signal can run on the other thread, which then carries on with the
# first one's registers, and the program hangs. With version 10 (Debian 13; bookworm-backports
# for Debian 12) a process starts in about a second and the same program runs as it does natively.
qemu_recent_enough() {
  version=$("$QEMU_I386" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
  [ -n "$version" ] && [ "$version" -ge 10 ]
}
. "$here/lib/x86-support.sh"

# as_root COMMAND...: as root, directly; otherwise through sudo, with what apt needs from the
# caller's environment (sudo resets it): no questions, and the caller's proxy.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    env DEBIAN_FRONTEND=noninteractive "$@"
  else
    sudo env DEBIAN_FRONTEND=noninteractive ${http_proxy:+http_proxy="$http_proxy"} \
      ${https_proxy:+https_proxy="$https_proxy"} ${no_proxy:+no_proxy="$no_proxy"} "$@"
  fi
}
# Before anything is changed: root, or a user whom sudo lets in (asking for the password on a
# terminal); otherwise one line saying so, with nothing half-done. $1 says what needs root.
can_be_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  if command -v sudo >/dev/null 2>&1 && sudo -v 2>/dev/null; then
    return 0
  fi
  echo "setup.sh: $1 needs root: run as root, or install sudo (and allow this user to use it)"
  return 1
}

sources=""
case "$1" in
--qemu)
  if ! qemu_recent_enough; then
    need=" qemu-user"
    . /etc/os-release
    if [ "$VERSION_CODENAME" = bookworm ]; then
      if ! grep -rqs '^[^#]*bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        . "$here/lib/debian-mirror.sh"
        mirror=$(debian_mirror) || {
          echo "setup.sh: qemu-user 10 comes from bookworm-backports, and no Debian mirror for bookworm is" \
            "configured in /etc/apt/sources.list or /etc/apt/sources.list.d/ to take it from; add" \
            "'deb MIRROR bookworm-backports main' there, or install qemu-user 10 or later yourself"
          exit 1
        }
        sources="deb $mirror bookworm-backports main"
      fi
      from=bookworm-backports
    fi
  fi
  ;;
*)
  case "$1" in
  --product) packages=$product_packages ;;
  --run)
    packages=$run_packages
    # Where 32-bit code runs through qemu-user, 64-bit Wine's server runs natively instead of
    # under the emulator, and every list message the program sends is a round trip to it.
    [ "$(x86_execution)" = native ] || packages="$packages wine64"
    ;;
  "") packages=$all_packages ;;
  *)
    echo "setup.sh: unknown option $1 (setup.sh [--product | --run | --qemu])"
    exit 1
    ;;
  esac
  for package in $packages; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null)" = installed ] || need="$need $package"
  done
  ;;
esac
if [ -n "$need" ]; then
  can_be_root "installing$need" || exit 1
  echo "Installing:$need${from:+ (from $from)}"
  if [ -n "$sources" ]; then
    echo "$sources" | as_root tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null ||
      { echo "setup.sh: cannot add bookworm-backports (for qemu-user 10) to APT's sources"; exit 1; }
  fi
  as_root dpkg --add-architecture i386 || { echo "setup.sh: dpkg --add-architecture i386 failed"; exit 1; }
  as_root apt-get update -q >/dev/null || { echo "setup.sh: apt-get update failed"; exit 1; }
  log=$(mktemp)
  if ! as_root apt-get install -y -q --no-install-recommends ${from:+-t $from} $need </dev/null >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "setup.sh: installing$need failed"
    exit 1
  fi
  rm -f "$log"
fi
if [ "$1" = --qemu ]; then
  qemu_recent_enough ||
    { echo "setup.sh: $QEMU_I386 is missing or older than version 10 ($("$QEMU_I386" --version 2>&1 | head -1))"; exit 1; }
  if ! grep -qs '^enabled' "$QEMU_I386_ENTRY"; then
    can_be_root "registering qemu-user for i386 programs" || exit 1
    if [ "$(id -u)" -eq 0 ]; then
      register_qemu_i386 || exit 1
    else
      sudo sh -c ". '$here/lib/x86-support.sh' && register_qemu_i386" || exit 1
    fi
  fi
fi
exit 0
