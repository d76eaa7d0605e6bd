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
