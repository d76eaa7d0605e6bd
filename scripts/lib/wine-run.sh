#!/bin/sh
# Runs one Windows program under the given Wine prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# The prefix is made ready (and its wineserver started) by prepare-wine-prefix.sh beforehand.
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$1"
shift
exec "$WINE" "$@"
