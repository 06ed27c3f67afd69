#!/usr/bin/env bash
# vantrel's command lines and what each must produce: the exit code, the one line on
# standard error, the files left in the folder, and what ffprobe or the pixels say.
#   vantrel-cases.sh path/to/vantrel path/to/QNVantrel.so [NAME-PREFIX | K/N]
# K/N runs every Nth case from the Kth (counting from 0), for runs side by side.
set -uo pipefail
vantrel_binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
module=$2 only=${3:-} index=-1
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"  # as readme-examples.sh says
w=$(mktemp -d)
s=$(mktemp -d /dev/shm/vantrel-XXXXXX 2>/dev/null || mktemp -d)  # on another file system than $w where tmpfs is
trap 'rm -rf "$w" "$s"' EXIT
I=$w/in failed=0 count=0
mkdir "$I"

vantrel() { "$vantrel_binary" "$@"; }
# The effect with no shape and no shadow: the input comes out as it went in.
pass() { vantrel render -q "$@" --set "Fill Type=Fill Inside" --set "Shape Size 1=0" --set "Shadow Opacity=0"; }
ff() { ffmpeg -nostdin -v error -y "$@"; }
# A picture from raw rgba bytes: raw2 WxH FILE BYTES...
raw2() { local s=$1 f=$2; shift 2; printf "$(printf '\\x%02x' "$@")" | ff -f rawvideo -pix_fmt rgba -s "$s" -i - "$f"; }
# The decimal bytes of a picture's rgba pixels, or of raw bytes ("-": standard output).
bytes() {
  if [ "$1" = - ]; then od -An -tu1 -v "$w/out"; else ff -i "$1" -f rawvideo -pix_fmt rgba - | od -An -tu1 -v; fi | xargs
}
# near TOLERANCE "BYTES" BYTES...: as many bytes, each within TOLERANCE of the one given.
near() {
  local tolerance=$1 actual=$2; shift 2
  echo "$actual / $*" | awk -v t="$tolerance" '{ n = (NF - 1) / 2; if (n != int(n) || $(n + 1) != "/") exit 1
    for (i = 1; i <= n; i++) { d = $i - $(n + 1 + i); if (d > t || d < -t) exit 1 } }'
}
# px FILE BYTES...: the whole picture within 3 (straight colour at partial alpha is rounded).
px() { local f=$1; shift; near 3 "$(bytes "$f")" "$@"; }
# The rgba bytes of the pixel at X,Y.
at() { ff -i "$1" -vf "format=rgba,crop=1:1:$2:$3" -f rawvideo -pix_fmt rgba - | od -An -tu1 -v | xargs; }
# probe FILE ENTRIES VALUES: the video stream's entries, comma-separated, frames counted.
probe() { [ "$(ffprobe -v error -count_frames -select_streams v:0 -show_entries "stream=$2" -of csv=p=0 "$1")" = "$3" ]; }
# The folder's names, hidden ones included, in order.
files() { [ "$(ls -A | sort | xargs)" = "$(printf '%s\n' "$@" | sort | xargs)" ]; }
# Standard error holds vantrel's one line of error, holding TEXT, after any notes; standard
# output nothing.
err() {
  [ ! -s "$w/out" ] && ! head -n -1 "$w/err" | grep -qv '^vantrel: note: ' &&
    tail -n 1 "$w/err" | grep -q '^vantrel: ' && tail -n 1 "$w/err" | grep -qF -- "$1"
}
has() { grep -qF -- "$2" "$1"; }
# The quadrants of a picture, top left to bottom right, each the nearest of R, G, B, W.
quads() {
  ff -i "$1" -vf scale=2:2:flags=area -f rawvideo -pix_fmt rgb24 - | od -An -tu1 -v | xargs |
    awk '{ for (p = 0; p < 4; p++) s = s ($(3*p+1) > 128 ? ($(3*p+2) > 128 ? "W" : "R") : ($(3*p+2) > 128 ? "G" : "B")); print s }'
}
# A copy of the quadrant JPEG with an Exif segment of orientation $1, in byte order $2.
exif() {
  local tiff='II\x2a\x00\x08\x00\x00\x00\x01\x00\x12\x01\x03\x00\x01\x00\x00\x00\x0'$1'\x00\x00\x00\x00\x00\x00'
  [ "${2:-}" = MM ] && tiff='MM\x00\x2a\x00\x00\x00\x08\x00\x01\x01\x12\x00\x03\x00\x00\x00\x01\x00\x0'$1'\x00\x00\x00\x00\x00'
  { head -c 2 "$I/quads.jpg"; printf '\xff\xe1\x00\x22Exif\x00\x00'"$tiff"; tail -c +3 "$I/quads.jpg"; } >turned.jpg
}

# t NAME EXIT COMMAND CHECK...: runs COMMAND in an empty folder and expects EXIT, then
# every CHECK (a shell command there) to succeed.
t() {
  local name=$1 want=$2 command=$3 check got
  shift 3
  index=$((index + 1))
  if [[ $only =~ ^([0-9]+)/([0-9]+)$ ]]; then
    [ $((index % BASH_REMATCH[2])) = "${BASH_REMATCH[1]}" ] || return 0
  elif [[ $name != "$only"* ]]; then
    return 0
  fi
  count=$((count + 1))
  rm -rf "$w/run" && mkdir "$w/run" && cd "$w/run" || exit 1
  (eval "$command") >"$w/out" 2>"$w/err" </dev/null
  got=$?
  for check in "[ $got = $want ]" "$@"; do
    if ! (eval "$check"); then
      printf 'FAILED %s: %s\n  check: %s\n  stderr: %s\n' "$name" "$command" "$check" "$(tail -n 3 "$w/err")"
      failed=$((failed + 1))
      return
    fi
  done
}
# r NAME EXIT TEXT COMMAND [NAMES]: COMMAND is refused in one line holding TEXT, leaving the
# existing out.png as it was and no file but it and NAMES (which COMMAND made).
r() { t "$1" "$2" "printf old >out.png; $4" "err '$3'" '[ "$(cat out.png)" = old ]' "files ${5:-} out.png"; }

# The inputs.
ff -f lavfi -i testsrc2=size=8x6 -frames:v 1 "$I/rgb.png"                      # RGB, no alpha
raw2 3x1 "$I/alpha.png" 255 0 0 255  0 0 255 0  0 255 0 128                     # opaque, clear, half
ff -f lavfi -i testsrc=size=33x18 -frames:v 1 "$I/odd.png"
ff -f lavfi -i color=red:s=16x8,format=rgba -vf "geq=r=255:g=0:b=0:a='if(lt(X,8),0,255)'" -frames:v 1 "$I/half.png"
ff -f lavfi -i testsrc=size=64x48:rate=25:duration=2 -f lavfi -i sine=duration=2 -c:v libx264 -g 12 -shortest "$I/clip.mp4"
ff -filter_complex "color=red:s=32x16[a];color=lime:s=32x16[b];color=blue:s=32x16[c];color=white:s=32x16[d];
  [a][b][c][d]xstack=inputs=4:layout=0_0|w0_0|0_h0|w0_h0" -frames:v 1 "$I/quads.jpg"
vantrel render -q --downsample 4 -o "$I/whole.png" && head -c 2000 "$I/whole.png" >"$I/cut.png"
ff -f lavfi -i testsrc=size=320x240 -frames:v 1 "$I/whole.jpg" && head -c 3000 "$I/whole.jpg" >"$I/cut.jpg"
head -c 1228800 /dev/urandom >"$I/noise"  # four 320x240 frames no encoder makes small
mkdir "$I/bin" && cat >"$I/bin/ffmpeg" <<'EOF' && chmod +x "$I/bin/ffmpeg"
#!/bin/sh
# ffmpeg that cuts its output (its last argument) short and says nothing.
PATH=${PATH#*:} ffmpeg "$@" || exit
for last; do :; done
case $last in encoder=*) ;; *) truncate -s 3000 "$last" ;; esac
EOF

# Refusals, each before any output is touched.
r command-mistyped 2 'no command "rendr"; did you mean "render"? (see vantrel --help)' 'vantrel rendr -o out.png'
r control-misnamed 1 'no control named "Shadow Opacty"; did you mean "Shadow Opacity"?' "vantrel render -o out.png --set 'Shadow Opacty=5'"
r control-value 1 'vantrel: Shape Type takes one of Circle, Ring, Cross, Triangle, Rectangle, Hexagon, Octagon, T Shape, Chevron or 1 to 9, not "Star"' \
  "vantrel render -o out.png --set 'Shape Type=Star'"
r input-cut-short 1 "cannot read $I/cut.png: " "vantrel render $I/cut.png -o out.png"
r input-missing 1 'vantrel: none.png: no such file' 'vantrel render none.png -o out.png'
r input-jpeg-cut-short 1 "cannot read $I/cut.jpg: Premature end of JPEG file" "vantrel render $I/cut.jpg -o out.png"
r input-no-type 1 ': Invalid data found when processing input' 'printf hi >notes.txt; vantrel render notes.txt -o out.png' notes.txt
r output-missing 1 'vantrel: no output named (-o FILE)' "vantrel render $I/rgb.png"
r output-no-type 1 'has no file type extension; known: .png, .jpg' 'vantrel render -o out'
r output-one-picture 1 'it holds one picture, but there is more than one frame' 'vantrel render -o one.png --frames 0-1'
r output-no-clobber 1 'vantrel: out.png exists; not replacing it (-n)' 'vantrel render -n -o out.png'
t output-no-clobber-frame 1 "for n in 0 1 2; do cp $I/rgb.png s_\$n.png; done; printf old >f_2.png; pass -n s_%d.png -o f_%d.png" \
  "err 'f_2.png exists'" 'files s_0.png s_1.png s_2.png f_2.png'
# An output reached through links is written where they lead, on its own file system, the links kept.
t output-through-links 0 "mkdir $s/d && printf old >$s/d/real.png && ln -s $s/d e && ln -s e/real.png out.png && TMPDIR=$w pass $I/rgb.png -o out.png" \
  "px $s/d/real.png $(bytes "$I/rgb.png")" '[ -L out.png ] && [ "$(ls -A $s/d)" = real.png ]' 'files e out.png'
t output-overwrite 0 'printf old >out.png; vantrel render -y -q --downsample 16 -o out.png' 'probe out.png width 80'
r preset-onto-output 1 '--save-preset names the output' 'vantrel render -o out.png --save-preset out.png'
r preset-two-keys-at-once 1 'look.json: "Shadow Size" has two keys at 2s' \
  "echo '{\"Shadow Size\": [[2, 1], [\"48f\", 5]]}' >look.json; vantrel render -o out.png --preset look.json" look.json
r preset-misnamed 1 'look.json: no control named "Shadow Opacty"' "echo '{\"Shadow Opacty\": 5}' >look.json; vantrel render -o out.png --preset look.json" look.json
r size-not-raw 1 '--size is for raw frames' "vantrel render $I/rgb.png --size 2x2 -o out.png"
r raw-pix-fmt 1 '--pix-fmt takes rgba or argb for raw input frames, not yuv420p' 'vantrel render - --size 2x2 --pix-fmt yuv420p -o out.png'
r progress-among-frames 1 '--progress - would mix with the raw frames' 'vantrel render - --size 2x2 -o - --progress -'
r fps-word 1 '--fps takes' 'vantrel render -o out.png --fps fast'
r frames-twice 1 'vantrel: bad frame range "1-5,3": frame 3 is listed twice' 'vantrel render -o out.png --frames 1-5,3'
r video-frames-backwards 1 'frames in increasing order, as it is read once from start to end; 3 comes after 5' "vantrel render $I/clip.mp4 --frames 5,3 -o out.png"
r video-trim-still 1 "--start and --duration trim a video, not $I/rgb.png" "vantrel render $I/rgb.png -ss 1 -o out.png"
r codec-unknown 1 'ffmpeg has no encoder named nosuch (ffmpeg -encoders lists them)' 'vantrel render -o out.mp4 --codec nosuch'
r ffmpeg-missing 1 'ffmpeg is not installed; it is needed for out.mp4 (apt-get install ffmpeg)' 'PATH=/nowhere vantrel render -o out.mp4'
r sequence-frame-missing 1 'shot_0002.png: no such file (frame 2 of shot_%04d.png)' \
  "cp $I/rgb.png shot_0001.png; vantrel render shot_%04d.png --frames 1-2 -o f_%d.png" shot_0001.png
# The output is the input under another spelling, a link to it, a link to its folder, a hard link.
for o in dots:d/../in.png link:link.png folder-link:e/in.png hard-link:hard.png; do
  t output-is-input-${o%:*} 1 "cp $I/rgb.png in.png; mkdir d; ln -s . e; ln -s in.png link.png; ln in.png hard.png; vantrel render in.png -o ${o#*:}" \
    "err 'cannot write ${o#*:}: it is an input of this run; name another output'" "cmp in.png $I/rgb.png" 'files d e in.png link.png hard.png'
done
t output-folder-missing 1 'vantrel render -o no/out.png' "err 'vantrel: cannot write no/out.png: No such file or directory'" 'files'
t ffmpeg-cuts-short 1 "PATH=$I/bin:\$PATH vantrel render - --size 320x240 -o short.mkv <$I/noise" "err 'cannot write short.mkv: '" 'files'
t raw-reader-gone 1 'vantrel render -q --downsample 16 --frames 0-99 -o - | head -c 1 >/dev/null' "err 'cannot write raw frames: the reading end of the pipe was closed'"
t raw-to-terminal 1 'script -qec "$vantrel_binary render -q -o -" /dev/null' "grep -q 'raw frames are not for a terminal' $w/out"
t raw-cut-short 1 'head -c 40 /dev/zero | vantrel render - --size 2x2 -o f_%d.png' \
  "err 'vantrel: raw input ended 8 bytes into frame 2 (2x2 rgba frames are 16 bytes)'" 'files f_0.png f_1.png'
t disk-full 1 "trap '' XFSZ; ulimit -f 64; vantrel render - --size 320x240 -o full.mp4 <$I/noise" "err 'File too large'" 'files'

# Raw frames on pipes, in either byte order each way: --out-pix-fmt follows --pix-fmt.
t raw-rgba 0 "printf '\x10\x80\xf0\xff' | pass - --size 1x1 -o -" 'px - 16 128 240 255'
t raw-argb 0 "printf '\xff\x10\x80\xf0' | pass - --size 1x1 --pix-fmt argb -o -" 'px - 255 16 128 240'
t raw-argb-to-rgba 0 "printf '\xff\x10\x80\xf0' | pass - --size 1x1 --pix-fmt argb --out-pix-fmt rgba -o -" 'px - 16 128 240 255'
t raw-rgba-to-argb 0 "printf '\x10\x80\xf0\xff' | pass - --size 1x1 --out-pix-fmt argb -o -" 'px - 255 16 128 240'

# Pictures: what comes in is what its bytes say, whatever its name.
t built-in 0 'vantrel render -o out.png' '[ ! -s $w/out ]' 'files out.png' 'probe out.png width,height 1280,720'
t png-rgb-named-jpg 0 "cp $I/rgb.png rgb.jpg; pass rgb.jpg -o out.png" "px out.png $(bytes "$I/rgb.png")"
t png-16-bit 0 "printf '\x00\x00\x80\x80\xff\x00' | ff -f rawvideo -pix_fmt rgb48be -s 1x1 -i - deep.png; pass deep.png -o -" \
  'px - 0 128 254 255' "has $w/err 'deep.png has 16-bit samples; they are reduced to 8 bits'"
t downsample-edges 0 "pass $I/alpha.png --downsample 2 -o -" 'px - 255 0 0 128 0 255 0 128'
t jpeg-onto-black 0 "pass $I/half.png -o a.jpg" "has $w/err 'onto black'" 'near 24 "$(at a.jpg 2 4) $(at a.jpg 13 4)" 0 0 0 255 255 0 0 255'
t name-with-hash 0 "cp $I/rgb.png 'take#2.png'; pass 'take#2.png' -o 'take#2_%d.png'" "files 'take#2.png' 'take#2_%d.png'"
for o in 1:RGBW 2:GRWB 3:WBGR 4:BWRG 5:RBGW 6:BRWG 7:WGBR 8:GWRB; do
  t "jpeg-orientation-${o%:*}" 0 "exif ${o%:*}; pass turned.jpg -o out.png" "[ \$(quads out.png) = ${o#*:} ]"
done
t jpeg-orientation-6-mm 0 'exif 6 MM; pass turned.jpg -o out.png' '[ $(quads out.png) = BRWG ]' 'probe out.png width,height 32,64'
t jpeg-as-stored 0 'exif 6; pass turned.jpg --no-auto-orient -o out.png' '[ $(quads out.png) = RGBW ]'

# Sequences: zero-padded numbers, A-B including B, frames found in number order.
t frames-step 0 'vantrel render -q --downsample 16 -o f_####.png --frames 1-10x3' 'files f_0001.png f_0004.png f_0007.png f_0010.png'
# A pattern finds the names it writes and no others: %04d and #### at least 4 digits, %d
# none padded; one frame found is a sequence of one.
t sequence-padding 0 "mkdir sq && for f in 7 0012 00013 12345; do cp $I/rgb.png sq/f_\$f.png; done
  pass sq/f_%04d.png -o o_####.png && rm sq/f_7.png && pass sq/f_%d.png -o p_###.png" 'files sq o_0012.png o_12345.png p_12345.png'
t sequence-gap 0 "for f in 2 10 3; do cp $I/rgb.png s_\$f.png; done; pass s_%d.png -o f_###.png; rm s_*" \
  'files f_002.png f_003.png f_010.png' "has $w/err 's_%d.png has no frame 4-9'"
# A frame's keys are timed by its own number (frame 0 at 0 s), whatever else the run holds.
t keys-by-frame-number 0 "k=(--downsample 16 --set 'Shape Type=Triangle'); r='Shape Rotation=0@0s;360@1s'
  vantrel render -q -o a_%d.png --frames 5 \"\${k[@]}\" --set \"\$r\"; vantrel render -q -o b_%d.png --frames 0,3-5 \"\${k[@]}\" --set \"\$r\"
  vantrel render -q -o c.png \"\${k[@]}\"" 'cmp a_5.png b_5.png' 'cmp b_0.png c.png' '! cmp -s b_3.png b_5.png'

# Settings: presets read and saved, key times in frames at the run's rate (--fps 29.97),
# which a saved preset keeps as frames.
t preset-round-trip 0 "echo '{\"shape type\": \"ring\", \"Shape Size 1\": [[0, 0], [\"48f\", 300]],
  \"Shadow Color\": \"#FF8000\", \"Shadow Opacity\": \"12.5%\", \"Shape Center\": [640, 360.5]}' >in.json
  vantrel render --fps 29.97 --preset in.json --set 'Shadow Size=0@0f;100@300f' --save-preset out.json" \
  "diff <(head -n 12 out.json) - <<'EOF'
{
  \"Shape Type\": \"Ring\",
  \"Shape Size 1\": [[0.0, 0], [\"48f\", 300]],
  \"Shape Size 2\": 50,
  \"Shape Center\": [640.0, 360.5],
  \"Shape Rotation\": 0.0,
  \"Fill Type\": \"Fill Outside\",
  \"Transparent Background\": false,
  \"Edge Type\": \"Shadow\",
  \"Shadow Size\": [[\"0f\", 0], [\"300f\", 100]],
  \"Shadow Color\": \"#FF8000\",
  \"Shadow Opacity\": 12.5,
EOF" '[ "$(tail -n 2 out.json | xargs)" = "Opacity Offset: 0.0 }" ]'
t info-module 0 "vantrel --module $module info" "has $w/out 'Controls (27):'" "has $w/out 'Module      $module'"
t info 0 'vantrel info' "has $w/out 'Category    QN'" "has $w/out 'Match name  QN_Vantrel'" "has $w/out 'Version     1.0.0 (develop, build 1)'" \
  "has $w/out 'About       QN Vantrel v1.0'" "has $w/out 'Renders on  '" "has $w/out '        9 Chevron'" \
  "has $w/out 'Stroke Size              slider        10            0 to 60             0 to 30             hidden'" \
  "has $w/out 'Shadow Opacity           float slider  40%           0% to 100%          0% to 100%          shown'"
t version 0 'vantrel --version' '[ "$(cat $w/out)" = "vantrel 1.0.0" ]'
r module-missing 1 'vantrel: cannot load effect /none/QNVantrel.so: no readable PiPL (/none/QNVantrel.so: cannot open the module file)' \
  'vantrel --module /none/QNVantrel.so info'

# Video: count, size, padding, trims, audio in step and each frame's own time.
t video-ffmpeg-named 0 "f=\$(command -v ffmpeg); PATH=/nowhere \$vantrel_binary render -q --downsample 16 -o v.mkv --ffmpeg \$f" 'probe v.mkv width 80'
t video-odd-size 0 "pass $I/odd.png -o odd.mkv" 'probe odd.mkv width,height 34,18' "has $w/err 'padded to 34x18'"
t video-trim 0 "pass $I/clip.mp4 -ss 0.5 -t 0.3 -o f_%02d.png" 'files f_13.png f_14.png f_15.png f_16.png f_17.png f_18.png f_19.png'
t video-picked 0 "pass $I/clip.mp4 --frames 10,49 -o f_%d.png" 'files f_10.png f_49.png'
t video-no-audio 0 "pass $I/clip.mp4 -an -o a.mkv" '[ -z "$(ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 a.mkv)" ]'
t video-transparent 0 "vantrel render -q --downsample 16 -o t.mov --set 'Transparent Background=on'" 'probe t.mov codec_name,pix_fmt prores,yuva444p12le'
# An HD video that names no matrix was made, and is shown by players, as BT.709.
t video-hd-matrix 0 "ff -f lavfi -i color=c=0xC83C28:size=1280x720 -frames:v 1 -vf scale=out_color_matrix=bt709:out_range=tv,format=yuv444p -qp 0 hd.mp4
  pass hd.mp4 --downsample 16 -o -" 'near 3 "$(head -c 4 $w/out | od -An -tu1)" 200 60 40 255'
# The audio covers the frames written, in step with them, whichever frames, rate or end.
insync() { ffprobe -v error -show_entries stream=codec_type,duration -of csv=p=0 "$1" | sort | tr ',\n' '  ' |
  awk -v want="$2" '{ a = $2; v = $4; d = a - v; if (d < 0) d = -d; exit !($1 == "audio" && d < 0.05 && (v - want < 0.05 && want - v < 0.05)) }'; }
t audio-picked-frames 0 "pass $I/clip.mp4 --frames 0-49x2 -o p.mp4" 'insync p.mp4 2' "has $w/err 'audio plays whole and in step'"
t audio-retimed 0 "pass $I/clip.mp4 --fps 50 -o r.mp4" 'insync r.mp4 1'
t audio-interrupted 130 "ff -f lavfi -i testsrc2=size=1280x720:rate=25 -f lavfi -i sine -t 8 -c:v libx264 -preset ultrafast long.mp4
  \$vantrel_binary render long.mp4 -o i.mp4 --progress p & while ! grep -q '^frame=[3-9]' p 2>/dev/null && kill -0 \$!; do sleep 0.05; done
  kill -INT \$!; wait \$!" 'n=$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 -select_streams v i.mp4); insync i.mp4 $(awk "BEGIN { print $n / 25 }")'
r sequence-mixed-sizes-video 1 'cannot write v.mp4: frame 2 is 33x18, but frame 0 is 8x6' \
  "cp $I/rgb.png s_0.png; cp $I/rgb.png s_1.png; cp $I/odd.png s_2.png; vantrel render -q s_%d.png -o v.mp4" 's_0.png s_1.png s_2.png'
t sequence-gap-video 0 "for f in 0 1 2 5; do cp $I/rgb.png s_\$f.png; done; pass s_%d.png -o g.mp4" \
  '[ "$(ffprobe -v error -show_entries frame=pts_time -of default=nw=1:nk=1 g.mp4 | xargs)" = "0.000000 0.041667 0.083333 0.208333" ]'
t video-frame-times 0 "ff -f lavfi -i testsrc2=size=64x48:rate=10 -t 1.2 -fps_mode passthrough -vf \"setpts='if(lt(N,4),N*0.1,0.4+(N-4)*0.3)/TB'\" vfr.mkv
  vantrel render -q vfr.mkv -o fx.mp4" \
  '[ "$(ffprobe -v error -show_entries frame=pts_time -of csv=p=0 fx.mp4)" = "$(ffprobe -v error -show_entries frame=pts_time -of csv=p=0 vfr.mkv)" ]'
# Every colour description passes through, in each of ffmpeg's spellings: primaries, transfer, matrix and range per row.
colours() { ffprobe -v error -select_streams v -show_entries stream=color_primaries,color_transfer,color_space,color_range -of csv=p=0 "$1"; }
for c in "bt709 bt709 bt709 tv" "bt470m bt470m smpte170m tv" "bt470bg bt470bg bt470bg tv" "smpte170m smpte170m smpte170m pc" \
  "smpte240m smpte240m smpte240m tv" "film linear fcc tv" "bt2020 log100 bt2020nc tv" "smpte428 log316 bt709 pc" "smpte431 iec61966-2-4 bt470bg tv" \
  "smpte432 bt1361e smpte170m tv" "jedec-p22 iec61966-2-1 bt709 pc" "bt709 bt2020-10 bt2020nc tv" "bt2020 bt2020-12 bt2020nc pc" \
  "bt2020 smpte2084 bt2020nc tv" "bt709 smpte428 bt709 tv" "bt2020 arib-std-b67 bt2020nc tv"; do set -- $c
  t "video-colour-$2" 0 "ff -f lavfi -i testsrc2=size=64x48 -frames:v 1 -vf setparams=color_primaries=$1:color_trc=$2:colorspace=$3:range=$4 -qp 0 in.mkv
    pass in.mkv -o out.mp4" '[ "$(colours out.mp4)" = "$(colours in.mkv)" ] && [ "$(colours in.mkv)" != tv,unknown,unknown,unknown ]'; done

# The media matrix: clips as cameras and editors write them, made once. m NAME 'CLIP [OPTION...]' OUTPUT 'VIDEO AUDIO' [CHECK...]:
# CLIP through the effect into OUTPUT, whose streams ffprobe describes so; audio kept in its codec is copied bit for bit.
clip() { local n=$1 r=$2 a=$3; shift 3; ff -f lavfi -i testsrc2=s=64x48:r=$r:d=${d:-0.1} -f lavfi -i "$a:d=${d:-0.1}" "$@" "$I/$n"; }
clip cam.mp4 25 sine=r=48000 -c:a aac -ac 2; clip ntsc60.mp4 60000/1001 sine=r=48000 -c:a libmp3lame
clip edit.mov 30000/1001 sine=r=48000 -c:v prores_ks -profile:v 4444 -c:a pcm_s24le \
  -vf format=rgba,colorchannelmixer=aa=0.5,format=yuva444p10le,setparams=color_primaries=bt709:color_trc=bt709:colorspace=bt709:range=tv
clip film.mkv 24000/1001 anullsrc=cl=5.1 -pix_fmt yuv444p -c:a flac; clip f24.mov 24 sine=r=44100 -c:a pcm_s16le
clip p50.mkv 50 sine=r=48000 -c:v libx265 -x265-params log-level=error -pix_fmt yuv420p10le -c:a libopus
d=2 clip full.mkv 25 sine=r=8000 -bf 0 -c:a pcm_s16le && head -c $(($(stat -c %s "$I/full.mkv") * 6 / 10)) "$I/full.mkv" >"$I/cut.mkv"
streams() { ffprobe -v error -show_entries stream=codec_name,pix_fmt,r_frame_rate,avg_frame_rate,time_base,sample_rate,channel_layout -of csv=p=0 "$1" | xargs; }
m() { local in=$I/${2%% *} a=${4##* }; t "media-$1" 0 "pass $I/$2 -o $3" "[ \"\$(streams $3)\" = '$4' ]" "${@:5}" \
  "[ \$(streams $in | sed 's/.* //; s/,.*//') != ${a%%,*} ] || [ \"\$(ff -i $3 -map 0:a -c copy -f md5 -)\" = \"\$(ff -i $in -map 0:a -c copy -f md5 -)\" ]"; }
m aac-mp4 cam.mp4 o.mp4 'h264,yuv420p,25/1,25/1,1/12800 aac,48000,stereo,0/0,0/0,1/48000'
m aac-webm cam.mp4 o.webm 'vp9,yuv420p,25/1,25/1,1/1000 opus,48000,stereo,0/0,0/0,1/1000'
m asked 'cam.mp4 --codec libx265 --crf 30 --pix-fmt yuv420p10le' o.mkv 'hevc,yuv420p10le,25/1,25/1,1/1000 aac,48000,stereo,0/0,0/0,1/1000'
m prores-mov edit.mov o.mov 'prores,yuva444p12le,30000/1001,30000/1001,1/30000 pcm_s24le,48000,mono,0/0,0/0,1/48000' "[ \"\$(colours o.mov)\" = \"\$(colours $I/edit.mov)\" ]"
m prores-mp4 edit.mov o.mp4 'h264,yuv444p10le,30000/1001,30000/1001,1/30000 aac,48000,mono,0/0,0/0,1/48000'
m flac-mkv film.mkv o.mkv 'h264,yuv444p,24000/1001,24000/1001,1/1000 flac,44100,5.1,0/0,0/0,1/1000'
m flac-mkv-retimed 'film.mkv --fps 24' o.mkv 'h264,yuv444p,24/1,24/1,1/1000 aac,44100,5.1,0/0,0/0,1/1000'
m hevc-mp4 p50.mkv o.mp4 'hevc,yuv420p10le,50/1,50/1,1/12800 opus,48000,mono,0/0,0/0,1/48000' "has $w/err 'the effect draws 8 bits a channel'"
m mp3-mov ntsc60.mp4 o.mov 'h264,yuv420p,60000/1001,60000/1001,1/60000 mp3,48000,mono,0/0,0/0,1/48000'
m pcm-mov f24.mov o.mov 'h264,yuv420p,24/1,24/1,1/12288 pcm_s16le,44100,mono,0/0,0/0,1/44100'
m pcm-avi f24.mov o.avi 'mpeg4,yuv420p,24/1,24/1,1/24 pcm_s16le,44100,unknown,0/0,0/0,1/44100'
m cut cut.mkv o.mp4 'h264,yuv420p,25/1,25/1,1/12800 aac,8000,mono,0/0,0/0,1/8000' "has $w/err 'frames it holds are rendered'" \
  'n=$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 -select_streams v o.mp4); [ $n -gt 20 ] && [ $n -lt 50 ]'
last() { grep -E '^(frame|out_time_us|out_time|progress)=' "$1" | tail -n 4 | xargs; }  # as ffmpeg's -progress writes them
for o in v.avi f_%d.png; do t progress-${o#*.} 0 "vantrel render -q --downsample 16 --frames 0-3 --fps ntsc -o $o --progress -
  ff -f lavfi -i nullsrc=s=8x8:r=ntsc -frames:v 4 -progress p q$o" "[ \"\$(last $w/out)\" = \"\$(last p)\" ]" "grep -Eq '^fps=[0-9]+\.[0-9]{2}$' $w/out" "has $w/out total_frames=4"; done

# Ways out: a signal keeps finished frames under their names, a second one leaves no
# temporary, a closed standard error is no failure.
for s in HUP:129 TERM:143; do
  t signal-once-${s%:*} ${s#*:} '$vantrel_binary render --downsample 4 -o f_%03d.png --frames 0-999 --threads 4 & while [ $(ls | wc -l) -lt 3 ] && kill -0 $!; do sleep 0.02; done; kill -'${s%:*}' $!; wait $!' \
    '! ls -A | grep -q "^\."' 'for f in f_*.png; do probe $f width 320 || exit 1; done'
done
t signal-twice 129 "$vantrel_binary render -q -o v.avi --frames 0-999 --downsample 8 --progress p & while [ ! -s p ] && kill -0 \$!; do sleep 0.02; done
  kill -HUP \$!; sleep 0.02; kill -HUP \$!; wait \$!" 'files p'
t closed-stderr 0 'vantrel render -v --downsample 16 -o v.png 2>&1 | head -c 1 >/dev/null' 'files v.png'
# Frames come and go every frame on several threads: memory stays flat over their number
# (not measured under the sanitizer, whose allocator keeps freed memory in quarantine).
t memory-flat 0 "ldd $vantrel_binary | grep libasan >/dev/null ||
  for n in 9 99; do /usr/bin/time -f %M -o m\$n $vantrel_binary render -q --downsample 4 -o o_%03d.jpg --frames 0-\$n; done" \
  '[ ! -e m9 ] || [ $(cat m99) -lt $(($(cat m9) * 11 / 10)) ]'

echo "$count cases, $failed failed"
[ "$failed" = 0 ] && [ "$count" -gt 0 ]
