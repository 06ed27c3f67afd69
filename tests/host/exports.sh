#!/bin/sh
# What the shipped binaries show the system: the module exports its entry point alone
# (and a Windows module is named QNVantrel.aex inside); Windows binaries import system
# DLLs only, so they run without MinGW's runtime DLLs beside them.
# Usage: exports.sh elf MODULE | exports.sh pe OBJDUMP MODULE EXE
set -eu
fail() { echo "$*" >&2; exit 1; }
if [ "$1" = elf ]; then
  names=$(nm -D --defined-only "$2" | awk '{print $NF}')
  [ "$names" = EntryPointFunc ] || fail "$2 exports: $names"
  exit 0
fi
objdump=$2 module=$3 exe=$4
dump=$("$objdump" -p "$module")
names=$(printf '%s\n' "$dump" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p')
[ "$names" = EntryPointFunc ] || fail "$module exports: $names"
printf '%s\n' "$dump" | grep -q '^Name .* QNVantrel\.aex$' || fail "$module is not named QNVantrel.aex inside"
for binary in "$module" "$exe"; do
  "$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | while read -r dll; do
    case $dll in
      kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | msvcrt.dll | advapi32.dll | shell32.dll) ;;
      *) fail "$binary imports $dll" ;;
    esac
  done
done
