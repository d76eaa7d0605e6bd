#!/bin/sh
# Tries the README's two commands as new users would, in a fresh Debian root, from a clean
# clone of HEAD (uncommitted changes are not part of it):
#   test-fresh.sh [RELEASE]   RELEASE: bookworm (Debian 12, the default) or trixie (Debian 13)
# As root (debootstrap, chroot, mounts). The root is minbase with git, ca-certificates and sudo,
# made by debootstrap through the Debian mirror this machine's APT uses, and holds two users:
# "builder", whom sudo lets in, and "guest", whom it does not. The steps:
#   - guest runs scripts/run.sh: one line naming root and sudo, a failure, nothing installed;
#   - root runs scripts/run.sh without a display: a screenshot whose list holds rows (on Debian
#     13, whose Wine lists no socket of the machine's, one of the window and its list's header);
#   - builder runs sudo scripts/test.sh on the tests that run the shipped program end to end,
#     then scripts/run.sh and scripts/build.sh as itself;
#   - where the machine executes 32-bit code itself: nothing of qemu-user was installed.
# One line per step with its time, a failed step's last lines, then "N passed, M failed".
# Where 32-bit code runs only through qemu-user, its registration is the machine's and serves
# the root too (binfmt_misc is mounted in it).
# Kept between runs in VANTREL_FRESH_CACHE (default /var/cache/vantrel-fresh), per release: the
# bootstrapped root, never used itself (each run works in a copy of it, in build-fresh/RELEASE
# of this tree, made anew each time), and the packages APT downloaded in the roots. Logs and
# screenshots stay in build-fresh/RELEASE.
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
. "$here/lib/tools.sh"
. "$here/lib/x86-support.sh"
release="${1:-bookworm}"
case "$release" in
bookworm | trixie) ;;
*)
  echo "test-fresh.sh: unknown release $release (test-fresh.sh [bookworm | trixie])"
  exit 1
  ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "test-fresh.sh: run it as root (debootstrap, chroot, mounts)"; exit 1; }
if ! command -v debootstrap >/dev/null 2>&1; then
  echo "Installing: debootstrap"
  { apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap; } >/dev/null ||
    { echo "test-fresh.sh: installing debootstrap failed"; exit 1; }
fi
require_tools test-fresh.sh debootstrap git unshare chroot timeout flock python3 || exit 1

cache="${VANTREL_FRESH_CACHE:-/var/cache/vantrel-fresh}/$release"
pristine="$cache/root"
archives="$cache/archives"
work="$top/build-fresh/$release"
root="$work/root"
logs="$work/logs"
mkdir -p "$archives/partial" "$logs" || { echo "test-fresh.sh: cannot make $archives and $logs"; exit 1; }
# One rehearsal of a release at a time: they share the pristine root and APT's downloads.
exec 9>"$cache/lock"
flock -n 9 || { echo "test-fresh.sh: waiting for another rehearsal of $release to end..."; flock 9; }

commit=$(git -C "$top" rev-parse --short HEAD) || { echo "test-fresh.sh: $top is not a git clone"; exit 1; }
[ -z "$(git -C "$top" status --porcelain --untracked-files=no)" ] ||
  echo "test-fresh.sh: the tree has uncommitted changes; they are not rehearsed (only HEAD, $commit, is)"
echo "Rehearsing the README's commands in a fresh Debian $release root at $commit ($(x86_execution) 32-bit code," \
  "$(nproc) cores); logs in $logs"
rm -f "$logs"/*

passed=0
failed=0
# step NAME LOG: the outcome of the step just run ($? of its check), one line with its time;
# a failed step's last lines follow.
step_start=$(date +%s)
step() {
  outcome=$?
  now=$(date +%s)
  if [ $outcome -eq 0 ]; then
    printf '  ok     %5d s  %s\n' $((now - step_start)) "$1"
    passed=$((passed + 1))
  else
    printf '  FAILED %5d s  %s\n' $((now - step_start)) "$1"
    failed=$((failed + 1))
    echo "  ---- last lines of $2:"
    tail -n 25 "$2" | sed 's/^/  | /'
  fi
  step_start=$(date +%s)
  return $outcome
}
# The root takes gigabytes; it stays for a look only where something failed.
summary() {
  if [ $failed -eq 0 ]; then
    rm -rf "$root"
  else
    echo "The root stays for a look: $root"
  fi
  echo "$passed passed, $failed failed"
  [ $failed -eq 0 ]
  exit
}

# in_root USER COMMAND: runs COMMAND in a login shell of USER in the root, with /proc, /sys,
# /dev, a /tmp of its own and APT's shared downloads mounted, in mount and process namespaces
# of its own: nothing stays mounted or running afterwards. At most 30 minutes.
in_root() {
  timeout -k 10 1800 unshare -m -p --kill-child --propagation private sh -c '
    root=$1
    mount --rbind /dev "$root/dev" && mount -t proc proc "$root/proc" && mount --rbind /sys "$root/sys" &&
      mount -t tmpfs tmpfs "$root/tmp" && mount --bind "$2" "$root/var/cache/apt/archives" ||
      { echo "test-fresh.sh: cannot mount /dev, /proc, /sys, /tmp and APT'"'"'s downloads in $root"; exit 1; }
    # The machine'"'"'s binfmt_misc entries: a qemu-user registered outside runs i386 programs here too.
    [ ! -f /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc "$root/proc/sys/fs/binfmt_misc" ||
      { echo "test-fresh.sh: cannot mount binfmt_misc in $root"; exit 1; }
    exec chroot "$root" /usr/sbin/runuser -l "$3" -c "$4"
  ' sh "$root" "$archives" "$1" "$2" </dev/null
}

# debootstrap writes no /etc/hosts, which every installed machine has: without it 127.0.0.1 has
# no name, and the end-to-end test's remote names stay empty. The machine's own is used.
log="$logs/1-root.log"
{
  if [ ! -f "$pristine/.vantrel-pristine" ]; then
    . "$here/lib/debian-mirror.sh"
    mirror=$(debian_mirror) ||
      { echo "test-fresh.sh: no Debian mirror is configured in /etc/apt/sources.list or /etc/apt/sources.list.d/"; false; } &&
      rm -rf "$pristine.new" &&
      debootstrap --variant=minbase --include=git,ca-certificates,sudo --cache-dir="$archives" \
        "$release" "$pristine.new" "$mirror" &&
      touch "$pristine.new/.vantrel-pristine" && rm -rf "$pristine" && mv "$pristine.new" "$pristine"
  fi &&
    echo "A copy of $pristine (bootstrapped $(date -r "$pristine/.vantrel-pristine" '+%F %T'))" &&
    rm -rf "$root" && cp -a "$pristine" "$root" && rm "$root/.vantrel-pristine" &&
    cp /etc/resolv.conf "$root/etc/resolv.conf" && cp /etc/hosts "$root/etc/hosts" &&
    git -C "$top" bundle create "$root/srv/vantrel.bundle" HEAD &&
    chroot "$root" sh -c '
      useradd -m -s /bin/bash builder && useradd -m -s /bin/bash guest &&
        echo "builder ALL=(ALL:ALL) NOPASSWD: ALL" >/etc/sudoers.d/builder && chmod 440 /etc/sudoers.d/builder &&
        chmod 644 /srv/vantrel.bundle' &&
    if ls "$root"/etc/apt/apt.conf.d/*clean* 2>/dev/null; then
      echo "test-fresh.sh: the root's APT would delete the downloads it shares (see above)"
      false
    fi
} >"$log" 2>&1
step "a fresh $release root: a copy of the bootstrapped one, with root, builder (sudo) and guest" "$log" ||
  summary

# Each user's own clone of HEAD, as the first thing each does.
clone_then() {
  echo "git -c init.defaultBranch=main clone -q -c advice.detachedHead=false /srv/vantrel.bundle vantrel &&" \
    "cd vantrel && $1"
}

log="$logs/2-guest-run.log"
cp "$root/var/lib/dpkg/status" "$logs/dpkg-status.before"
in_root guest "$(clone_then scripts/run.sh)" >"$log" 2>&1
rc=$?
tail -n 1 "$log" | grep -q 'root.*sudo\|sudo.*root' && [ "$(grep -c 'root.*sudo\|sudo.*root' "$log")" -eq 1 ]
said=$?
{
  echo "exit status $rc"
  [ $rc -ne 0 ] && [ $rc -ne 124 ] && { [ $said -eq 0 ] || { echo "no single last line naming root and sudo"; false; }; } &&
    cmp "$logs/dpkg-status.before" "$root/var/lib/dpkg/status" &&
    [ -z "$(chroot "$root" dpkg --print-foreign-architectures)" ]
} >>"$log" 2>&1
step "guest (no sudo): scripts/run.sh refuses in one line naming root and sudo, installs nothing" "$log"

# What the screenshot must show. Wine 8 (Debian 12) lists every socket of the machine, so the
# list holds rows; Wine 10 (Debian 13) lists only those of Windows programs in the same prefix,
# of which run.sh starts none, so there the window with its list's header is all there is to
# see (the end-to-end test reads rows from the list under either).
case "$release" in
bookworm) rows=1 shows="a screenshot of the list with rows" ;;
*) rows=0 shows="a screenshot of the window and its list's header (Wine 10 lists no socket of the machine's)" ;;
esac
# The root shares this machine's network, whose sockets Wine 8 lists: a TCP listener and a UDP
# socket of this script's, open while run.sh runs, give the list rows also on a machine that
# has none open of its own.
sockets=""
trap '[ -z "$sockets" ] || kill "$sockets" 2>/dev/null' EXIT
if [ "$rows" -gt 0 ]; then
  python3 -c 'import socket, time
tcp = socket.socket(); tcp.bind(("127.0.0.1", 0)); tcp.listen()
udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); udp.bind(("127.0.0.1", 0))
time.sleep(3600)' &
  sockets=$!
fi
# run_shows USER HOME: the last run.sh printed its screenshot, which shows what it must.
run_shows() {
  shot=$(sed -n 's/^Screenshot: //p' "$log" | tail -n 1)
  [ -n "$shot" ] || { echo "no screenshot printed"; return 1; }
  cp "$root$shot" "$work/screenshot-$1.png" &&
    in_root "$1" "sh $2/vantrel/scripts/lib/check-list-rows.sh $shot $rows"
}
log="$logs/3-root-run.log"
in_root root "$(clone_then scripts/run.sh)" >"$log" 2>&1 &&
  run_shows root /root >>"$log" 2>&1
step "root: scripts/run.sh without a display, $shows" "$log"

# The suite's end-to-end test of the shipped program, and the scripts' own checks.
subset='^(shell_end_to_end_tests|scripts_.*)$'
log="$logs/4-builder-test.log"
in_root builder "$(clone_then "sudo scripts/test.sh -R '$subset'")" >"$log" 2>&1 &&
  grep -q 'tests passed, 0 tests failed out of [1-9]' "$log"
step "builder: sudo scripts/test.sh -R '$subset'" "$log"

log="$logs/5-builder-run.log"
in_root builder "cd vantrel && scripts/run.sh" >"$log" 2>&1 &&
  run_shows builder /home/builder >>"$log" 2>&1
step "builder: scripts/run.sh, $shows" "$log"

log="$logs/6-builder-build.log"
in_root builder "cd vantrel && scripts/build.sh" >"$log" 2>&1
step "builder: scripts/build.sh" "$log"

if [ "$(x86_execution)" = native ]; then
  log="$logs/7-no-qemu.log"
  ! chroot "$root" dpkg -l 'qemu-user*' 2>/dev/null | grep '^ii' >"$log" &&
    [ ! -e "$root/etc/apt/sources.list.d/bookworm-backports.list" ]
  step "nothing of qemu-user installed (this machine executes 32-bit code)" "$log"
fi
summary
