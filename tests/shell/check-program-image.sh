#!/bin/sh
# Host-side check of the built program's image: check-program-image.sh OBJDUMP PROGRAM
objdump="$1"
program="$2"
headers=$("$objdump" -p "$program") || { echo "cannot read $program"; exit 1; }
status=0
for flag in DYNAMIC_BASE NX_COMPAT; do
  if ! printf '%s\n' "$headers" | grep -q "^[[:space:]]*$flag\$"; then
    echo "$program: $flag is not set"
    status=1
  fi
done
# Ordinary imports are resolved by the loader before the entry function can narrow the search.
for dll in IPHLPAPI.DLL COMCTL32.DLL; do
  if printf '%s\n' "$headers" | grep -i "DLL Name:" | grep -qi "$dll"; then
    echo "$program: imports $dll in the ordinary way; it must be delay-loaded"
    status=1
  fi
  if ! grep -qai "$dll" "$program"; then
    echo "$program: does not name $dll at all; its delay-load entry is missing"
    status=1
  fi
done
[ $status -eq 0 ] && echo "$program: DYNAMIC_BASE, NX_COMPAT; iphlpapi and comctl32 delay-loaded"
exit $status
