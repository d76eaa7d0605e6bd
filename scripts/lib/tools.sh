# Sourced: require_tools CALLER TOOL... fails, naming the first missing tool and the Debian
# package that installs it, before a script first runs any of them. Without it a missing Wine
# shows up as "wineboot failed" and a missing ImageMagick as a screenshot that "failed", and
# the reader hunts for a fault that is not there. A TOOL is a command on PATH, or a file by its
# full path where the command alone does not tell (32-bit Wine's loader behind Debian's `wine`).

# package_of TOOL: the package that installs TOOL on Debian 12 and 13.
package_of() {
  case "$1" in
  i686-w64-mingw32-g++ | i686-w64-mingw32-gcc) echo g++-mingw-w64-i686-posix ;;
  i686-w64-mingw32-*) echo binutils-mingw-w64-i686 ;;
  cmake | ctest | cpack) echo cmake ;;
  wine | wineboot | wineserver) echo wine ;;
  /usr/lib/wine/wine) echo wine32:i386 ;;
  /usr/lib/wine/wine64) echo wine64 ;;
  Xvfb) echo xvfb ;;
  import | compare | convert) echo imagemagick ;;
  /usr/share/wine/fonts/*) echo fonts-wine ;;
  ip) echo iproute2 ;;
  unshare | runuser | flock) echo util-linux ;;
  chroot | timeout) echo coreutils ;;
  *) echo "$1" ;;
  esac
}

require_tools() {
  caller=$1
  shift
  for tool; do
    case "$tool" in
    /*) [ -e "$tool" ] ;;
    *) command -v "$tool" >/dev/null 2>&1 ;;
    esac || {
      echo "$caller: $tool is missing: the package $(package_of "$tool") installs it (scripts/setup.sh does)"
      return 1
    }
  done
}
