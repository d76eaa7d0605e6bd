#!/bin/sh
# The screenshot check of the run command and the fresh-root rehearsal, on the README's picture
# of Vantrel (seven rows under Wine 8): every row counted once, the menu and header not at all,
# wherever the window sits on the desktop; an emptied list, and a desktop without the window,
# rejected, as is run.sh's real screenshot of an empty list.
#   check-list-rows.sh SOURCE_DIR
check="$1/scripts/lib/check-list-rows.sh"
picture="$1/docs/vantrel.png"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
# expect WHAT STATUS SCREENSHOT [ROWS]: the check's exit status must be STATUS (0 or 1).
expect() {
  what=$1
  want=$2
  shift 2
  out=$(sh "$check" "$@" 2>&1)
  rc=$?
  if [ "$rc" -ne "$want" ]; then
    echo "FAILED: $what: exit status $rc, wanted $want; it said: $out"
    failures=$((failures + 1))
  else
    echo "ok: $what ($out)"
  fi
}

expect "the picture's seven rows" 0 "$picture" 7
expect "no eighth row: the menu above the header is not a row" 1 "$picture" 8

# The window somewhere on a desktop of the run command's size and colour.
convert -size 1024x700 xc:'#256F95' "$picture" -geometry +120+90 -composite "$work/desktop.png" ||
  { echo "FAILED: cannot make the desktop picture"; exit 1; }
expect "the window on a desktop, away from its corner" 0 "$work/desktop.png" 7

# The same window with its list emptied: the rows painted over in the list's white.
convert "$picture" -fill white -draw 'rectangle 4,60 760,515' "$work/empty.png" ||
  { echo "FAILED: cannot make the empty list"; exit 1; }
expect "an empty list" 1 "$work/empty.png"

# run.sh's own screenshot under Wine 10, which lists no socket of the machine's: the window and
# its header, and not one row.
empty="$1/tests/scripts/empty-list-wine10.png"
expect "run.sh's screenshot of an empty list under Wine 10" 1 "$empty"
expect "the same, where the window and its header are all that is asked" 0 "$empty" 0

convert -size 1024x700 xc:'#256F95' "$work/bare.png" || { echo "FAILED: cannot make the bare desktop"; exit 1; }
expect "a desktop without the window" 1 "$work/bare.png"
expect "a desktop without the window, even where no row is asked" 1 "$work/bare.png" 0
expect "no screenshot at all" 1 "$work/missing.png"

[ $failures -eq 0 ] || { echo "$failures of the screenshot checks failed"; exit 1; }
