#!/usr/bin/env bash
# vantrel.exe run under Wine as a person runs it:
#   windows-runs.sh same-as-linux RUN_UNDER_WINE VANTREL_EXE LINUX_VANTREL
#     a numbered sequence, a JPEG still, raw frames redirected from a file, and raw frames
#     from a pipe (to raw frames, a sequence and a still, and cut short inside a frame)
#     give the very bytes the Linux build gives (skipped, exit 77, where there is no
#     Linux build)
#   windows-runs.sh interrupt RUN_UNDER_WINE VANTREL_EXE
#     Ctrl-C (Wine turns SIGINT into the console's Ctrl-C event) stops the run after the
#     frame in hand: exit 130, the finished frames under their names, no temporary left
set -euo pipefail
case_name=$1 wine_run=$2 exe=$3 linux=${4:-}
w=$(mktemp -d) && cd "$w"
trap 'rm -rf "$w"' EXIT
fail() { echo "windows-runs $case_name: $*" >&2; exit 1; }

if [ "$case_name" = same-as-linux ]; then
  [ -x "$linux" ] || { echo "no Linux build at $linux"; exit 77; }
  "$linux" render -q --downsample 8 --frames 1-10 -o shot_%04d.png
  "$linux" render -q --downsample 4 -o in.jpg
  head -c $((40 * 24 * 4 * 3)) /dev/urandom >raw
  look=(-q --set "Shape Type=Ring" --set Instances=4 --set "Position X Offset=9" --set "Shape Rotation=0@0s;90@1s")
  for side in linux windows; do
    run=("$linux") && [ $side = windows ] && run=("$wine_run" "$exe")
    mkdir $side
    # Runs side by side, each with a Wine of its own; each one's process id and the exit
    # status it is to end with.
    runs=() expected=()
    started() { runs+=($!) expected+=("$1"); }
    "${run[@]}" render shot_%04d.png -o $side/fx_%04d.png --frames 1-10 "${look[@]}" &
    started 0
    "${run[@]}" render in.jpg -o $side/fx.jpg "${look[@]}" &
    started 0
    "${run[@]}" render - --size 40x24 -o - "${look[@]}" <raw >$side/fx.raw &
    started 0
    # Raw frames from a pipe, which ends when its writer closes it, not at the end of a
    # file. A run that missed the end would run on, so each has a time limit (timeout
    # stops the process group it made, and with it that run's Wine). A pipe that ends
    # inside a frame ends the run with an error, the whole frames before it written.
    cat raw | timeout -k 20 200 "${run[@]}" render - --size 40x24 -o - "${look[@]}" >$side/piped.raw &
    started 0
    cat raw | timeout -k 20 200 "${run[@]}" render - --size 40x24 -o $side/piped_%02d.png "${look[@]}" &
    started 0
    head -c $((40 * 24 * 4)) raw | timeout -k 20 200 "${run[@]}" render - --size 40x24 -o $side/piped.png "${look[@]}" &
    started 0
    head -c $((40 * 24 * 4 * 2 + 100)) raw |
      timeout -k 20 200 "${run[@]}" render - --size 40x24 -o - "${look[@]}" >$side/cut.raw 2>/dev/null &
    started 1
    failed=()
    for i in "${!runs[@]}"; do
      status=0
      wait "${runs[$i]}" || status=$?
      [ $status = "${expected[$i]}" ] ||
        failed+=("run $((i + 1)) exit $status, not ${expected[$i]}$([ $status = 124 ] && echo ' (timed out)')")
    done
    [ ${#failed[@]} = 0 ] || fail "$side: ${failed[*]}"
  done
  [ "$(ls windows | wc -l)" = 18 ] || fail "$(ls windows | xargs): not the 18 files asked for"
  [ "$(stat -c %s windows/cut.raw)" = $((40 * 24 * 4 * 2)) ] || fail "cut.raw is not the two whole frames"
  diff -r linux windows || fail "the files differ"
  exit 0
fi

"$wine_run" "$exe" render -q --downsample 4 --frames 1-2000 -o f_%04d.png >out 2>err &
runner=$!
for _ in $(seq 600); do
  program=$(pgrep -P $runner -x vantrel.exe || true)
  [ -n "$program" ] && [ -e f_0003.png ] && break
  sleep 0.1
done
[ -n "$program" ] && [ -e f_0003.png ] || { kill $runner; fail "no frames came"; }
kill -INT "$program"
status=0
wait $runner || status=$?
[ $status = 130 ] || fail "exit code $status, not 130: $(cat err)"
written=$(tr -d '\r' <err | sed -n 's/^vantrel: interrupted; \([0-9]*\) frames written$/\1/p')
[ -n "$written" ] && [ "$written" -lt 2000 ] || fail "standard error: $(cat err)"
[ "$(ls -A | grep -v '^\(out\|err\)$' | xargs)" = "$(seq -f 'f_%04g.png' 1 "$written" | xargs)" ] ||
  fail "not the $written frames alone: $(ls -A | xargs)"
