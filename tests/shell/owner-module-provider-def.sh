#!/bin/sh
# Writes the export list of the test provider of owner-module calls (OwnerModuleProvider.cpp):
# IP Helper's name, the four owner-module functions of its own, and every other export of
# Wine's IP Helper forwarded to Wine's module, which the test installs beside it as
# WineIpHelper.dll, so that every other call is still answered by Wine.
#   owner-module-provider-def.sh OBJDUMP WINE_IPHLPAPI OUTPUT
# The name is the last word of each line of objdump's name table, which binutils 2.44 and later
# print after the ordinal and hint ("[   0] +base[   1]  0000 Name") and older ones alone.
objdump="$1"
wine_module="$2"
output="$3"
own="GetOwnerModuleFromTcpEntry GetOwnerModuleFromTcp6Entry GetOwnerModuleFromUdpEntry GetOwnerModuleFromUdp6Entry"
names=$("$objdump" -p "$wine_module" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\].* \([A-Za-z_][A-Za-z0-9_@]*\)$/\1/p') ||
  exit 1
[ -n "$names" ] || { echo "$0: no named exports in $wine_module"; exit 1; }
{
  echo "LIBRARY iphlpapi.dll"
  echo "EXPORTS"
  for name in $own; do
    echo "$name = $name@16"
  done
  for name in $names; do
    case " $own " in
    *" $name "*) ;;
    *) echo "$name = WineIpHelper.$name" ;;
    esac
  done
} >"$output.new" && mv "$output.new" "$output"
