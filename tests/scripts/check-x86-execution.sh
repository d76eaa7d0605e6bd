#!/bin/sh
# How the scripts tell the way this machine runs 32-bit x86 programs, checked against the
# machine itself: a verdict of "emulated" exactly when an enabled binfmt_misc entry hands i386
# programs to an interpreter (ours or anyone's), "native" otherwise, never "none" (the suite
# runs 32-bit programs); and the same verdict with the 32-bit C library hidden, as on a fresh
# machine where nothing has installed it yet.
#   check-x86-execution.sh SOURCE_DIR
. "$1/scripts/lib/x86-support.sh"
failures=0
fail() {
  echo "FAILED: $1"
  failures=$((failures + 1))
}

verdict=$(x86_execution)
entry=""
for file in /proc/sys/fs/binfmt_misc/*; do
  case "${file##*/}" in register | status) continue ;; esac
  grep -qs '^enabled' "$file" && grep -qs '^magic 7f454c4601010100000000000000000002000300' "$file" && entry="$file"
done
echo "verdict: $verdict; enabled i386 entry: ${entry:-none}"
case "$verdict" in
native) [ -z "$entry" ] || fail "an enabled entry ($entry) runs i386 programs, yet the verdict is native" ;;
emulated) [ -n "$entry" ] || fail "no enabled entry runs i386 programs, yet the verdict is emulated" ;;
*) fail "the verdict is '$verdict', yet this suite runs 32-bit programs" ;;
esac

# The fresh machine: in a mount namespace of its own, the 32-bit C library's folder is empty.
[ "$(id -u)" -eq 0 ] || fail "hiding the 32-bit C library needs root"
hidden=$(unshare -m sh -c '
  mount -t tmpfs tmpfs /usr/lib/i386-linux-gnu || exit 1
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then echo "still-there"; exit 0; fi
  . "$1/scripts/lib/x86-support.sh"
  x86_execution' sh "$1")
case "$hidden" in
"$verdict") echo "with the 32-bit C library hidden: $hidden" ;;
still-there) fail "the 32-bit C library could not be hidden" ;;
*) fail "with the 32-bit C library hidden the verdict is '$hidden', not '$verdict'" ;;
esac

[ $failures -eq 0 ] || exit 1
echo "ok"
