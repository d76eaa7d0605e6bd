# Sourced by the scripts that start Wine: a quiet prefix with no installer dialogs, and the
# loaders. Every program of ours is x86 and starts through $WINE, Debian's `wine`, which takes
# 32-bit Wine's loader, also in a 64-bit prefix (whose 32-bit half then runs it, as 64-bit
# Windows runs a 32-bit program). A 64-bit prefix is made through 64-bit Wine's loader, $WINE64.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
WINE=wine
WINE64=/usr/lib/wine/wine64
