#!/bin/sh
# The Debian mirror the scripts take from the machine's APT configuration: one-line and deb822
# sources, options in brackets, commented and disabled entries, the security archive and other
# releases passed over, and no answer at all where nothing fits.
#   check-debian-mirror.sh SOURCE_DIR
. "$1/scripts/lib/debian-mirror.sh"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0

# expect WHAT WANTED: debian_mirror over the configuration in $work/apt must print WANTED
# (nothing, and fail, where WANTED is empty).
expect() {
  got=$(APT_SOURCES_DIR="$work/apt" debian_mirror)
  rc=$?
  if [ "$got" != "$2" ] || { [ -z "$2" ] && [ $rc -eq 0 ]; } || { [ -n "$2" ] && [ $rc -ne 0 ]; }; then
    echo "FAILED: $1: got '$got' (exit $rc), wanted '$2'"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}
fresh() {
  rm -rf "$work/apt"
  mkdir -p "$work/apt/sources.list.d"
}
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")

fresh
cat >"$work/apt/sources.list" <<LIST
# deb http://commented.example/debian $codename main
deb http://security.example/debian-security $codename-security main
deb http://ports.example/other other-release main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://mirror.example/debian/ $codename main
deb http://later.example/debian $codename main
LIST
expect "one-line sources, options in brackets, the first fitting entry, trailing slash dropped" \
  "http://mirror.example/debian"

fresh
cat >"$work/apt/sources.list.d/debian.sources" <<SOURCES
Types: deb
URIs: http://disabled.example/debian
Suites: $codename
Components: main
Enabled: no

Types: deb-src
URIs: http://sources-only.example/debian
Suites: $codename

Types: deb-src deb
# a comment inside the entry
URIs: cdrom:/media/cdrom http://proxy.example:3142/debian
Suites: $codename-security $codename-updates
Components: main
SOURCES
expect "deb822 sources: disabled, source-only and cdrom entries passed over" "http://proxy.example:3142/debian"

fresh
printf 'deb [arch=amd64] http://single.example/debian %s main\n' "$codename" >"$work/apt/sources.list.d/a.list"
printf 'Types: deb\nURIs: http://noblank.example/debian\nSuites: %s\n' "$codename" >"$work/apt/sources.list.d/b.sources"
expect "a single-option bracket, and a .list file read before a .sources one" "http://single.example/debian"

fresh
printf 'Types: deb\nURIs: http://last.example/debian\nSuites: %s\n' "$codename" >"$work/apt/sources.list.d/b.sources"
expect "a deb822 entry that ends the file without a blank line" "http://last.example/debian"

fresh
printf 'deb http://security.example/debian-security %s-security main\n' "$codename" >"$work/apt/sources.list"
printf 'Types: deb\nURIs: https://third-party.example/apt\nSuites: nodistro\n' >"$work/apt/sources.list.d/x.sources"
expect "only the security archive and a third-party archive: no mirror" ""

fresh
expect "no configuration at all: no mirror" ""

[ $failures -eq 0 ] || { echo "$failures of the mirror checks failed"; exit 1; }
