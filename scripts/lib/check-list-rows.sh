#!/bin/sh
# Whether a screenshot of Vantrel shows its list with rows in it, not merely a window:
#   check-list-rows.sh SCREENSHOT [ROWS]   at least ROWS rows (default 1)
# Prints how many rows it counted. The list sits below its header, whose lower edge is the
# first line of the screen drawn in one dark grey across at least half its width; below it,
# each row is a band of lines holding dark text pixels, with blank lines between the bands,
# down to the next such grey line (the window's lower edge) or the end of the screen. An empty
# list has no band at all.
[ -r "$1" ] || { echo "check-list-rows.sh: cannot read the screenshot '$1'"; exit 1; }
. "$(dirname "$0")/tools.sh"
require_tools check-list-rows.sh convert || exit 1
want="${2:-1}"
# The pixels as plain numbers, one a line: P3, width, height, 255, then red, green, blue of
# each pixel, line by line from the top.
convert "$1" -depth 8 -compress none ppm:- | tr -s ' \t' '\n\n' | grep . | awk -v want="$want" '
  NR == 2 { width = $1 }
  NR <= 4 { next }
  {
    channel = (NR - 5) % 3
    value[channel] = $1
    if (channel < 2) next
    pixel = (NR - 5 - 2) / 3
    y = int(pixel / width)
    r = value[0]; g = value[1]; b = value[2]
    if (r == g && g == b && r < 160) grey[y]++
    if (r < 64 && g < 64 && b < 64) dark[y]++
    lines = y + 1
  }
  END {
    header = -1
    for (y = 0; y < lines && header < 0; y++) if (grey[y] * 2 >= width) header = y
    if (header < 0) { print "check-list-rows.sh: no list header in the screenshot (no grey line across it)"; exit 1 }
    rows = 0
    inside = 0
    for (y = header + 1; y < lines && grey[y] * 2 < width; y++) {
      text = dark[y] >= 2
      if (text && !inside) rows++
      inside = text
    }
    printf "%d list rows below the header (line %d)\n", rows, header
    if (rows < want) { printf "check-list-rows.sh: the list shows %d rows, fewer than %d\n", rows, want; exit 1 }
  }'
