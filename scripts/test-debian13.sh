#!/bin/sh
# Runs the README's test command (scripts/test.sh, with these arguments) in a Debian 13 root
# on a Debian 12 machine, to check the other Debian release before a change lands. As root.
# The root is made once with debootstrap (minbase, a few minutes) in build-debian13/root and
# reused; each run copies the working tree (without build trees) to /src in it and keeps the
# build trees in /build there, so later runs build only what changed. scripts/test.sh then
# installs what Debian 13 lacks and runs the suite in a chroot with /proc, /sys and /dev, in
# a mount namespace of its own so that nothing stays mounted afterwards.
#   DEBIAN13_ROOT selects another root; DEBIAN13_MIRROR another Debian mirror than the one this
#   machine's APT uses.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
root="${DEBIAN13_ROOT:-$top/build-debian13/root}"
. "$here/lib/debian-mirror.sh"

[ "$(id -u)" -eq 0 ] || { echo "test-debian13.sh: run it as root (debootstrap, chroot, mounts)"; exit 1; }
if ! command -v debootstrap >/dev/null 2>&1; then
  echo "Installing: debootstrap"
  apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap >/dev/null ||
    { echo "test-debian13.sh: installing debootstrap failed"; exit 1; }
fi
if [ ! -f "$root/.vantrel-ready" ]; then
  # The machine's own mirror (or proxy) serves every release of the archive.
  mirror="${DEBIAN13_MIRROR:-$(debian_mirror)}"
  [ -n "$mirror" ] || {
    echo "test-debian13.sh: no Debian mirror is configured in /etc/apt/sources.list or /etc/apt/sources.list.d/;" \
      "set DEBIAN13_MIRROR to one"
    exit 1
  }
  echo "Making the Debian 13 root $root (once)..."
  rm -rf "$root"
  mkdir -p "$root" || exit 1
  debootstrap --variant=minbase trixie "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -20 "$root.log"; echo "test-debian13.sh: debootstrap of Debian 13 failed (log: $root.log)"; exit 1; }
  touch "$root/.vantrel-ready"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null

rm -rf "$root/src"
mkdir -p "$root/src" "$root/build" || exit 1
(cd "$top" && tar --exclude='./build*' --exclude=./dist -cf - .) | (cd "$root/src" && tar xf -) ||
  { echo "test-debian13.sh: cannot copy the sources into $root/src"; exit 1; }

echo "Running scripts/test.sh in the Debian 13 root $root"
exec unshare -m --propagation private sh -c '
  root="$1"
  shift
  mount --rbind /dev "$root/dev" && mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys" &&
    mount -t tmpfs tmpfs "$root/tmp" || { echo "test-debian13.sh: cannot mount /dev, /proc, /sys and /tmp in $root"; exit 1; }
  # The binfmt_misc entries of the machine, so that the scripts in the root find a qemu-user
  # entry registered outside and, where none is, can register one.
  [ ! -f /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc "$root/proc/sys/fs/binfmt_misc" ||
    { echo "test-debian13.sh: cannot mount binfmt_misc in $root"; exit 1; }
  exec chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 BUILD_DIR=/build/build sh /src/scripts/test.sh "$@"
' sh "$root" "$@"
