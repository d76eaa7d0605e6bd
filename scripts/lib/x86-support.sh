# Sourced: whether this machine executes 32-bit x86 code, and qemu-user for i386 Linux
# programs (32-bit Wine is made of them) where it does not.
#   VANTREL_X86=emulated  treats a machine that runs 32-bit code as one that cannot, to try
#                         that path (qemu-user is registered then, and removed at the end).
QEMU_I386_ENTRY=/proc/sys/fs/binfmt_misc/vantrel-qemu-i386
QEMU_I386=/usr/bin/qemu-i386

# True where the kernel runs i386 programs itself. binfmt_misc entries are tried before the
# kernel's own loader, so our qemu-user entry, if registered, is off during the check.
x86_runs_natively() {
  [ "$VANTREL_X86" = emulated ] && return 1
  qemu_was_on=""
  if [ -f "$QEMU_I386_ENTRY" ] && grep -q '^enabled' "$QEMU_I386_ENTRY"; then
    qemu_was_on=1
    echo 0 >"$QEMU_I386_ENTRY"
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
  native=$?
  [ -z "$qemu_was_on" ] || echo 1 >"$QEMU_I386_ENTRY"
  return $native
}

# Registers qemu-user ($QEMU_I386, static, installed by setup.sh --qemu) for i386 ELF
# programs. F: the interpreter is opened now, so it works inside namespaces and for every user.
register_qemu_i386() {
  if [ ! -f /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc ||
      { echo "Cannot mount binfmt_misc to register qemu-user for i386 programs"; return 1; }
  fi
  if [ -f "$QEMU_I386_ENTRY" ]; then
    if grep -qx "interpreter $QEMU_I386" "$QEMU_I386_ENTRY"; then
      echo 1 >"$QEMU_I386_ENTRY"
      return
    fi
    echo -1 >"$QEMU_I386_ENTRY" # left by an older version of this script, for another qemu
  fi
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s\n' ":vantrel-qemu-i386:M::$magic:$mask:$QEMU_I386:F" >/proc/sys/fs/binfmt_misc/register ||
    { echo "Cannot register qemu-user for i386 programs with binfmt_misc"; return 1; }
}

unregister_qemu_i386() {
  [ ! -f "$QEMU_I386_ENTRY" ] || echo -1 >"$QEMU_I386_ENTRY"
}
