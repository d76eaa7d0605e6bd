# Sourced by the scripts that start Wine, with ARCH set to the build's architecture (x86 or
# x64): a quiet prefix with no installer dialogs, and in $WINE the loader for that architecture.
# x64 programs go through Wine's 64-bit loader itself: Debian's `wine` starts the 32-bit loader
# whenever 32-bit Wine is installed, and that cannot start where the machine runs no 32-bit code.
# An x64 prefix also runs x86 programs where the machine (or qemu-user) executes 32-bit code.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
case "$ARCH" in
x86)
  WINE=wine
  export WINEARCH=win32
  ;;
x64)
  WINE=/usr/lib/wine/wine64
  export WINEARCH=win64
  ;;
*)
  echo "wine-env.sh: unknown architecture '$ARCH' (x86 or x64)" >&2
  exit 1
  ;;
esac

# Where the machine cannot execute 32-bit code, scripts/test.sh sets VANTREL_X86_SKIP to the
# reason, and every x86 test program is reported skipped (exit 77) instead of failing to start.
skip_if_x86_cannot_run() {
  if [ "$ARCH" = x86 ] && [ -n "$VANTREL_X86_SKIP" ]; then
    echo "Skipped: $VANTREL_X86_SKIP"
    exit 77
  fi
}
