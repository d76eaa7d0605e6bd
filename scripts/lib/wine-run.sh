#!/bin/sh
# Runs one Windows program under the given Wine prefix: wine-run.sh ARCH PREFIX PROGRAM [ARGS...]
# The prefix is made ready (and its wineserver started) by prepare-wine-prefix.sh beforehand.
ARCH="$1"
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$2"
shift 2
exec "$WINE" "$@"
