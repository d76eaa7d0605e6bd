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

# The fresh machine: a root holding only the shell and the few tools the check uses, with their
# 64-bit libraries, and no 32-bit C library at all.
[ "$(id -u)" -eq 0 ] || fail "checking in a root of its own needs root (chroot)"
root=$(mktemp -d) || exit 1
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/bin" "$root/tmp" "$root/dev" && chmod 1777 "$root/tmp" && mknod -m 666 "$root/dev/null" c 1 3 ||
  fail "cannot make the root"
for tool in sh mktemp chmod tr head rm; do
  path=$(command -v "$tool")
  cp "$path" "$root/bin/" || fail "cannot copy $path"
  for library in $(ldd "$path" | awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^\//) print $i }'); do
    cp --parents -L "$library" "$root" || fail "cannot copy $library"
  done
done
cp "$1/scripts/lib/x86-support.sh" "$root/" || fail "cannot copy x86-support.sh"
[ ! -e "$root/lib/ld-linux.so.2" ] || fail "the root has a 32-bit C library"
fresh=$(chroot "$root" /bin/sh -c '. /x86-support.sh && x86_execution')
[ "$fresh" = "$verdict" ] || fail "in a root without the 32-bit C library the verdict is '$fresh', not '$verdict'"
echo "in a root without the 32-bit C library: $fresh"

[ $failures -eq 0 ] || exit 1
echo "ok"
