# Sourced by the scripts that start Wine: a quiet prefix with no installer dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32
