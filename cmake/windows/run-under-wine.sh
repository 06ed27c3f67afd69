#!/usr/bin/env bash
# Runs a Windows program under Wine, with a Wine prefix and an X display of its own: a
# fresh prefix in a temporary folder and an Xvfb server on a free display number. Both are
# removed afterwards, and only the processes started here are stopped. Exits with the
# program's status.
#   run-under-wine.sh PROGRAM.exe [ARGUMENTS...]
set -uo pipefail

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
for tool in "$wine" "$wineserver" Xvfb; do
  command -v "$tool" >/dev/null || { echo "run-under-wine: $tool is missing (install wine64 and xvfb)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-wine.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
xvfb=""
finish() {
  "$wineserver" -k 2>/dev/null  # the wine processes of this prefix, which is ours alone
  "$wineserver" -w 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

# Xvfb chooses a free display number and writes it to the pipe once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
read -r number <"$work/display" || { echo "run-under-wine: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$number"

# Wait for the new prefix to be made whole (wineboot hands some of it to processes
# that outlive it) before the program starts.
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
"$wine" "$@"
