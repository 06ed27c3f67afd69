#!/usr/bin/env bash
# Runs qn_vantrel.so in the real ffmpeg and melt on a short generated clip and compares
# their frames with `vantrel render` of the same frames and settings.
#   frei0r-hosts.sh path/to/vantrel path/to/frei0r-folder
set -euo pipefail
vantrel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
export FREI0R_PATH=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

w=160 h=120 frames=4
fail() { echo "FAIL: $*" >&2; exit 1; }

# The largest difference of any byte between two raw files of equal length.
maxdiff() {
  [ "$(stat -c %s "$1")" = "$(stat -c %s "$2")" ] || fail "$1 and $2 differ in length"
  { cmp -l "$1" "$2" || true; } | awk '
    function oct(s,  v, i) { v = 0; for (i = 1; i <= length(s); i++) v = v * 8 + substr(s, i, 1); return v }
    { d = oct($2) - oct($3); if (d < 0) d = -d; if (d > m) m = d }
    END { print m + 0 }'
}

ffmpeg -v error -f lavfi -i "testsrc2=size=${w}x${h}:rate=24" -frames:v $frames -f rawvideo -pix_fmt rgba in.rgba

# One value for every kind of control, a popup's by number or in odd letter case; each lands exactly on vantrel's.
settings=("Shape Type=Hexagon" "Shape Size 1=40" "Shape Size 2=50" "Shape Center=30%,60%" "Shape Rotation=45"
  "Fill Type=Fill Inside" "Transparent Background=off" "Edge Type=Stroke" "Shadow Size=100" "Shadow Color=#000000"
  "Shadow Opacity=40" "Stroke Size=6" "Stroke Color=#FF8000" "Stroke Opacity=100" "Instances=4"
  "Shape Size 1 Offset=0" "Shape Size 2 Offset=0" "Position X Offset=37.5" "Position Y Offset=0"
  "Scale X Offset=-25" "Scale Y Offset=10" "Rotation Offset=45" "Opacity Offset=12.5")
values=(hEXAGON 0.02 0.025 0.3/0.6 0.125 2 n Stroke 0.2 0x000000 0.4
        0.2 0xFF8000 1 0.3333333333333333 0.5 0.5 0.5625 0.5 0.375 0.55 0.5625 0.125)
render() {  # vantrel render of in.rgba into $1, with the settings and any more after them
  local out=$1 args=()
  shift
  for s in "${settings[@]}" "$@"; do args+=(--set "$s"); done
  "$vantrel" render - --size ${w}x${h} -o - -q "${args[@]}" < in.rgba > "$out"
}
render vantrel.rgba
[ "$(maxdiff in.rgba vantrel.rgba)" -gt 100 ] || fail "the settings leave the clip nearly alone"

# ffmpeg: RGBA in and out, so the frames must be the same bytes.
params=$(IFS='|'; echo "${values[*]}")
ffmpeg -v error -f rawvideo -pix_fmt rgba -s ${w}x${h} -r 24 -i in.rgba \
  -vf "format=rgba,frei0r=filter_name=qn_vantrel:filter_params=$params" -f rawvideo -pix_fmt rgba ffmpeg.rgba
ffmpeg_diff=$(maxdiff ffmpeg.rgba vantrel.rgba)
echo "ffmpeg: largest difference from vantrel render $ffmpeg_diff"
[ "$ffmpeg_diff" -eq 0 ] || fail "ffmpeg's frames are not vantrel's"

# melt: parameters by number; a colour as #RRGGBB and a bool as 0 or 1. melt never sets
# a position parameter, so the centre stays at its default there. RGBA in a .nut both
# ways keeps it off YUV, so no tolerance; real_time=-3 renders on three threads at once,
# and it leaves the clip's last frame out. The video goes to melt's standard output, which
# the effect's messages must never reach, nor anything move while melt's threads write it:
# five runs, each whole.
melt_tolerance=0
melt_args=()
for i in "${!values[@]}"; do
  v=${values[$i]}
  [ "$i" = 3 ] && continue
  case $v in 0x*) v="#${v#0x}" ;; n) v=0 ;; esac
  melt_args+=("$i=$v")
done
ffmpeg -v error -f rawvideo -pix_fmt rgba -s ${w}x${h} -r 24 -i in.rgba -c:v rawvideo -pix_fmt rgba in.nut
# melt itself, with Debian's own frei0r filters too, now and then ends at once having
# written nothing, or never ends, when its threads start under load: such a run is run
# again (three tries). A stream that is there is never forgiven.
melt_run() {
  local try
  for try in 1 2 3; do
    timeout 60 melt -silent -quiet in.nut -attach frei0r.qn_vantrel "${melt_args[@]}" \
      -consumer avformat:pipe:1 f=nut vcodec=rawvideo pix_fmt=rgba an=1 real_time=-3 >melt.nut 2>melt.log </dev/null
    local status=$?
    if [ $status = 124 ] || { [ $status = 0 ] && [ ! -s melt.nut ]; }; then continue; fi
    [ $status = 0 ] || { cat melt.log >&2; fail "melt failed"; }
    return
  done
  fail "melt wrote nothing in three tries"
}
render vantrel-centred.rgba "Shape Center=50%,50%"
for run in 1 2 3 4 5; do
  melt_run
  ffmpeg -v error -i melt.nut -f rawvideo -pix_fmt rgba -y melt.rgba || fail "melt's stream is damaged (run $run)"
  got=$(( $(stat -c %s melt.rgba) / (w * h * 4) ))
  [ "$got" -ge $((frames - 1)) ] || fail "melt wrote $got frames of $frames (run $run)"
  head -c "$(stat -c %s melt.rgba)" vantrel-centred.rgba > vantrel-head.rgba
  melt_diff=$(maxdiff melt.rgba vantrel-head.rgba)
  [ "$melt_diff" -le $melt_tolerance ] || fail "melt's frames are not vantrel's (run $run, difference $melt_diff)"
done
echo "melt: $got frames, five runs to standard output, largest difference from vantrel render $melt_diff"

# An effect that cannot load: frames pass through, and the instance says so once.
VANTREL_MODULE=/nonexistent/QNVantrel.so ffmpeg -v error -f rawvideo -pix_fmt rgba -s ${w}x${h} -r 24 -i in.rgba \
  -vf "format=rgba,frei0r=filter_name=qn_vantrel:filter_params=$params" -f rawvideo -pix_fmt rgba passed.rgba \
  2>passed.log
cmp -s in.rgba passed.rgba || fail "frames did not pass through unchanged"
[ "$(grep -c '^qn_vantrel: ' passed.log)" -eq 1 ] || { cat passed.log >&2; fail "expected one line on stderr"; }
echo "PASS"
