#!/bin/sh
# Host-side check of the built program's image: check-program-image.sh OBJDUMP PROGRAM
objdump="$1"
program="$2"
headers=$("$objdump" -p "$program") || { echo "cannot read $program"; exit 1; }
sections=$("$objdump" -h "$program") || { echo "cannot read $program"; exit 1; }
status=0
fail() {
  echo "$program: $1"
  status=1
}
for flag in DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE; do
  printf '%s\n' "$headers" | grep -q "^[[:space:]]*$flag\$" || fail "$flag is not set"
done
# Ordinary imports are resolved by the loader before the entry function can narrow the search.
for dll in IPHLPAPI.DLL COMCTL32.DLL; do
  if printf '%s\n' "$headers" | grep -i "DLL Name:" | grep -qi "$dll"; then
    fail "imports $dll in the ordinary way; it must be delay-loaded"
  fi
  grep -qai "$dll" "$program" || fail "does not name $dll at all; its delay-load entry is missing"
done

# Vista and later treat an image that says 4.0 as a legacy program.
field() {
  printf '%s\n' "$headers" | awk -v name="$1" '$1 == name { print $2 }'
}
for pair in MajorOSystemVersion=6 MinorOSystemVersion=0 MajorSubsystemVersion=6 MinorSubsystemVersion=0 \
            MajorImageVersion=1 MinorImageVersion=0; do
  [ "$(field "${pair%=*}")" = "${pair#*=}" ] || fail "${pair%=*} is $(field "${pair%=*}"), not ${pair#*=}"
done
# What ships is built again to the same bytes: no time stamp, nothing of the build machine.
printf '%s\n' "$headers" | grep -q "^Time/Date[[:space:]].*1970$" || fail "carries a time stamp"
printf '%s\n' "$headers" | grep -q "symbols stripped" || fail "carries a symbol table"
printf '%s\n' "$sections" | grep -q " \.debug" && fail "carries debug sections"
size=$(wc -c <"$program")
[ "$size" -le 180224 ] || fail "is $size bytes, more than 180,224"

[ $status -eq 0 ] && echo "$program: $size bytes; Windows 6.0 image 1.0, DYNAMIC_BASE, NX_COMPAT," \
  "TERMINAL_SERVICE_AWARE; no time stamp, symbols or debug sections; iphlpapi and comctl32 delay-loaded"
exit $status
