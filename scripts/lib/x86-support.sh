# Sourced: how this machine runs 32-bit x86 programs (32-bit Wine is made of them), and
# qemu-user for them where the kernel cannot.
QEMU_I386_ENTRY=/proc/sys/fs/binfmt_misc/vantrel-qemu-i386
QEMU_I386=/usr/bin/qemu-i386

# Prints how a 32-bit x86 program runs here: "native" (the kernel runs it), "emulated" (a
# qemu-user entry of binfmt_misc runs it, ours or anyone's) or "none". The probe is a static
# i386 program of 132 bytes that needs no library, so the answer holds on a fresh machine, in
# a chroot or a container; it asks the kernel's uname for the machine, which the kernel gives a
# 32-bit process as x86_64 and qemu-user as i686. No entry is switched off for it.
x86_execution() {
  probe=$(mktemp) || { echo none; return; }
  printf '\177\105\114\106\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\204\0\0\0\204\0\0\0\5\0\0\0\0\20\0\0\201\354\220\1\0\0\211\343\270\172\0\0\0\315\200\270\4\0\0\0\273\1\0\0\0\215\214\44\4\1\0\0\272\101\0\0\0\315\200\270\1\0\0\0\61\333\315\200' >"$probe"
  chmod +x "$probe"
  # The machine field ends at its first NUL; qemu-user leaves other bytes after it.
  machine=$("$probe" 2>/dev/null | tr '\000' '\n' | head -n 1)
  rm -f "$probe"
  case "$machine" in
  x86_64) echo native ;;
  i?86) echo emulated ;;
  *) echo none ;;
  esac
}

# Registers qemu-user ($QEMU_I386, static, installed by setup.sh --qemu) for i386 ELF programs,
# as root, once for the machine: it stays (until the machine restarts), shared by every run
# and every user, as the distribution's own binfmt packages leave theirs. F: the interpreter is
# opened now, so it works inside namespaces and chroots. Succeeds when the entry is there
# already, or another run registered it meanwhile.
register_qemu_i386() {
  if [ ! -f /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc ||
      { echo "Cannot mount binfmt_misc to register qemu-user for i386 programs"; return 1; }
  fi
  if [ -f "$QEMU_I386_ENTRY" ]; then
    grep -q '^enabled' "$QEMU_I386_ENTRY" || echo 1 >"$QEMU_I386_ENTRY"
    return 0
  fi
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s\n' ":vantrel-qemu-i386:M::$magic:$mask:$QEMU_I386:F" >/proc/sys/fs/binfmt_misc/register 2>/dev/null ||
    [ -f "$QEMU_I386_ENTRY" ] || { echo "Cannot register qemu-user for i386 programs with binfmt_misc"; return 1; }
}

# For the scripts that run x86 programs: says in one line how they run here and, where
# nothing runs them yet, installs qemu-user and registers it (setup.sh --qemu, through sudo
# if need be). Fails, saying what is missing, where that cannot be done. $1 names the
# programs for the line ("the x86 suite", ...).
prepare_x86_execution() {
  case "$(x86_execution)" in
  native) echo "This machine executes 32-bit x86 code: $1 runs natively under 32-bit Wine." ;;
  emulated)
    echo "This machine runs 32-bit x86 code through qemu-user, registered for i386 programs: $1 runs" \
      "under 32-bit Wine through it."
    ;;
  *)
    echo "This machine cannot execute 32-bit x86 code: $1 runs under 32-bit Wine through qemu-user," \
      "which is installed and registered for i386 programs now, and stays registered."
    "$(dirname "$0")/setup.sh" --qemu || return 1
    [ "$(x86_execution)" = emulated ] ||
      { echo "qemu-user is registered, yet a 32-bit x86 program still does not run"; return 1; }
    ;;
  esac
}
