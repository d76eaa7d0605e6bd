# Sourced: debian_mirror prints the Debian archive this machine's APT already uses for its own
# release, read from /etc/apt/sources.list, sources.list.d/*.list (one-line form) and
# sources.list.d/*.sources (deb822 form), so that new sources and new roots go through the same
# mirror or proxy as the machine itself. It fails, printing nothing, where none is configured.
# APT_SOURCES_DIR (default /etc/apt) reads another configuration, for tests of this function.
debian_mirror() {
  apt_dir="${APT_SOURCES_DIR:-/etc/apt}"
  codename=$(. /etc/os-release 2>/dev/null && echo "$VERSION_CODENAME")
  # The archive is the source of a plain "deb" line for the release itself (or its -updates):
  # the security archive, backports and third-party archives name other suites; a cdrom: or
  # mirror+ source cannot serve another root.
  awk -v release="${codename:-bookworm}" '
    function usable(uri) { return uri ~ /^(https?|file):/ }
    function suite_ok(s) { return s == release || s == release "-updates" }
    function deb822_end() {
      if (types ~ /(^|[ \t])deb([ \t]|$)/ && enabled !~ /^[Nn][Oo]/) {
        ns = split(suites, s, /[ \t]+/)
        nu = split(uris, u, /[ \t]+/)
        for (i = 1; i <= ns; i++)
          if (suite_ok(s[i]))
            for (j = 1; j <= nu; j++)
              if (usable(u[j])) { print u[j]; found = 1; exit }
      }
      types = ""; uris = ""; suites = ""; enabled = ""
    }
    FILENAME ~ /\.sources$/ {
      if (FNR == 1) deb822_end()
      if ($0 ~ /^[ \t]*$/) { deb822_end(); next }
      if ($0 ~ /^#/) next
      key = tolower($1)
      value = $0
      sub(/^[^:]*:[ \t]*/, "", value)
      if (key == "types:") types = value
      else if (key == "uris:") uris = value
      else if (key == "suites:") suites = value
      else if (key == "enabled:") enabled = value
      next
    }
    {
      if (FNR == 1) deb822_end()
      if ($1 != "deb") next
      f = 2
      if ($f ~ /^\[/) while (f <= NF && $f !~ /\]$/) f++
      if ($f ~ /^\[/ || $f ~ /\]$/) f++
      if (usable($f) && suite_ok($(f + 1))) { print $f; found = 1; exit }
    }
    END { if (!found) deb822_end() }
  ' $(ls "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*.list "$apt_dir"/sources.list.d/*.sources 2>/dev/null) |
    sed -n '1s:/*$::p' | grep .
}
