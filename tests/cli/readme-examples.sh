#!/usr/bin/env bash
# Runs every command of the README's vantrel examples, as written, in a scratch folder
# holding the inputs they name (made with vantrel itself, small where the size is free).
#   readme-examples.sh README.md path/to/vantrel
set -euo pipefail
readme=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
vantrel_binary=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
# The examples check behaviour, not leaks: under the sanitizer build LeakSanitizer's
# exit-time scan crashes in a vantrel that saves a preset and renders (signal 11 in the
# thread's dynamic TLS), so the scan is off here; every other test keeps it.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
vantrel() { "$vantrel_binary" "$@"; }
export -f vantrel
export vantrel_binary

# The inputs the examples name.
vantrel render -q -o photo.jpg
vantrel render -q --downsample 8 -o shot_%04d.png --frames 1-100
vantrel render -q --downsample 8 -o clip.mp4 --frames 0-9
vantrel render -q --downsample 8 -o clip.mov --frames 0-9
vantrel render -q -o in.mp4 --frames 0-2

# The first shell block after "## Using vantrel", continuation lines joined.
commands=$(awk '/^## Using vantrel/ {on = 1} on && /^```sh/ {block = 1; next} block && /^```/ {exit} block' "$readme" |
  sed -e ':join' -e '/\\$/{N; s/\\\n//; b join}')
count=0
while IFS= read -r line; do
  [ -z "$line" ] && continue
  echo "+ $line"
  bash -c "set -euo pipefail; $line" </dev/null
  count=$((count + 1))
done <<< "$commands"
echo "$count README examples ran"
[ "$count" -ge 12 ]
