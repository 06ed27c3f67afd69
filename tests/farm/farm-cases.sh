#!/usr/bin/env bash
# vantrel farm on a Slurm cluster of one that this script starts, each case against one
# `vantrel render` of the same command; then the farm's wall time against the render's.
#   farm-cases.sh path/to/vantrel
# Exits 77 where Slurm, munge or ffmpeg is not installed.
set -uo pipefail
vantrel=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/cluster.sh"
command -v ffmpeg >/dev/null || exit 77
work=$(mktemp -d)
trap 'cluster_stop; rm -rf "$work"' EXIT
cluster_start "$work/cluster"; started=$?
[ "$started" -eq 0 ] || exit "$started"
cd "$work"
failures=0
check() {  # check WHAT COMMAND...: the command must succeed
  local what=$1; shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
frames() { (cd "$1" && ls -p | grep -v /); }  # the files of a folder, not its work folder
same_files() {  # same names, same bytes
  [ "$(frames "$1")" = "$(frames "$2")" ] && [ -n "$(frames "$1")" ] &&
    for f in $(frames "$1"); do cmp -s "$1/$f" "$2/$f" || return 1; done
}
probe() {  # what a video holds besides its pixels, then each decoded frame's time and checksum
  ffprobe -v error -show_entries stream=codec_name,pix_fmt,width,height,sample_aspect_ratio,color_range,color_space,color_primaries,color_transfer,r_frame_rate,time_base,sample_rate,channels -of compact "$1"
  ffmpeg -v error -i "$1" -map 0:v -f framemd5 -
  ffmpeg -v error -i "$1" -map 0:a -c copy -f md5 -
}

mkdir in one farm again held big-one big-farm && ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=24 -frames:v 40 -start_number 1 in/in_%04d.png
ffmpeg -v error -f lavfi -i testsrc2=size=640x360:rate=24 -f lavfi -i sine=frequency=440:sample_rate=48000 -t 4 \
  -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest clip.mp4

# A sequence, every other frame, in 3 chunks: the same names and bytes.
seq=(in/in_%04d.png --frames 1-40x2 --set "Shape Type=Ring" --set "Shape Size 1=0@0s;400@1.5s")
"$vantrel" render -q "${seq[@]}" -o one/out_%04d.png
check "sequence farm --wait succeeds" "$vantrel" farm -q "${seq[@]}" -o farm/out_%04d.png --chunk 7 --wait
check "sequence: 3 chunks" test "$(ls farm/out_%04d.png.farm/chunks | wc -l)" -eq 3
check "sequence: same frames, same names" same_files one farm

# A clip with audio in 4 chunks to .mp4: the same decoded frames, times and audio stream.
"$vantrel" render -q clip.mp4 --set "Shape Type=Hexagon" --crf 20 -o one.mp4
check "video farm --wait succeeds" "$vantrel" farm -q clip.mp4 --set "Shape Type=Hexagon" --crf 20 -o farm.mp4 --chunk 24 --wait
check "video: 4 chunks" test "$(ls farm.mp4.farm/chunks | wc -l)" -eq 4
check "video: same frames, times, audio and stream description" diff <(probe one.mp4) <(probe farm.mp4)
check "video: 96 frames and an audio stream compared" test "$(probe farm.mp4 | grep -c '^0, ')" -eq 96 -a "$(probe farm.mp4 | grep -c '^MD5=')" -eq 1

# A task that fails mid-chunk (a damaged frame 17): --wait names it; the same command
# again renders only that chunk, then joins.
cp -r in bad && head -c 300 in/in_0017.png > bad/in_0017.png
bad=(bad/in_%04d.png --frames 1-40x2 --set "Shape Type=Ring" --set "Shape Size 1=0@0s;400@1.5s" -o again/out_%04d.png --chunk 7)
"$vantrel" farm -q "${bad[@]}" --wait 2> failed.txt; status=$?
check "a failed chunk fails --wait" test "$status" -ne 0
check "the failure names chunk 2 and its log" grep -q "failed: chunk 2 (frames 15,17,.*,27, log .*logs/chunk-2.log)$" failed.txt
check "no part of the failed chunk, no output" test ! -e again/out_%04d.png.farm/parts/2 -a ! -e again/out_0001.png
cp in/in_0017.png bad/in_0017.png
"$vantrel" farm -q "${bad[@]}" --wait > resumed.txt
check "the rerun submits only chunk 2" grep -q "array 2)" resumed.txt
check "the resumed farm: same frames as one render" same_files one again

# A changed --set against that work folder is refused with one line.
"$vantrel" farm "${bad[@]/Ring/Cross}" 2> refused.txt; status=$?
check "another command's work folder is refused" test "$status" -ne 0 -a "$(wc -l < refused.txt)" -eq 1
check "the refusal says why" grep -q "made for another command" refused.txt

# --dry-run prints the scripts and submits nothing.
queued=$(squeue -h | wc -l)
check "--dry-run prints the scripts" bash -c "'$vantrel' farm clip.mp4 -o dry.mp4 --chunk 12 --dry-run | grep -q 'join.sh'"
check "--dry-run submits nothing" test "$(squeue -h | wc -l)" -eq "$queued" -a ! -e dry.mp4.farm

# An input changed after submission is refused by the tasks (held until it has changed).
"$vantrel" farm -q "${seq[@]}" -o held/out_%04d.png --chunk 20 --sbatch-arg=--hold > held.txt
"$vantrel" farm -q "${seq[@]}" -o held/out_%04d.png --chunk 20 --sbatch-arg=--hold 2> twice.txt
check "a rerun while its jobs are queued is refused" grep -q "is still queued or running" twice.txt
touch -d 2001-01-01 in/in_0003.png
scontrol release $(sed -n 's/^cancel: scancel //p' held.txt)
for _ in $(seq 300); do [ -z "$(squeue -h)" ] && break; sleep 0.2; done
check "a changed input is refused by the tasks" grep -q "in_0003.png changed since" held/out_%04d.png.farm/logs/chunk-1.log
check "a refused task writes nothing" test ! -e held/out_0001.png -a ! -e held/out_%04d.png.farm/parts/1

# A still output is refused.
check "a still output is refused" bash -c "! '$vantrel' farm in/in_0001.png -o still.png --chunk 4 2>/dev/null"

# Measured: 48 frames of 1280x720 in 4 chunks against one render of the same frames.
ffmpeg -v error -f lavfi -i testsrc2=size=1280x720:rate=24 -frames:v 48 -start_number 1 big_%04d.png
start=$(date +%s.%N)
"$vantrel" render -q big_%04d.png --set "Shape Type=Ring" -o big-one/out_%04d.png
middle=$(date +%s.%N)
"$vantrel" farm -q big_%04d.png --set "Shape Type=Ring" -o big-farm/out_%04d.png --chunk 12 --wait
end=$(date +%s.%N)
check "48 frames of 1280x720: same frames" same_files big-one big-farm
awk -v a="$start" -v b="$middle" -v c="$end" \
  'BEGIN { printf "measured: render %.1f s, farm --wait %.1f s, ratio %.2f\n", b - a, c - b, (c - b) / (b - a) }'

echo "$failures failed"
[ "$failures" -eq 0 ]
