#!/bin/sh
# Installs what is missing and builds Vantrel. (Running it under Wine comes with the main window.)
here=$(cd "$(dirname "$0")" && pwd)
"$here/build.sh" || exit 1
echo "Built: ${BUILD_DIR:-$(dirname "$here")/build}/shell/Vantrel.exe"
