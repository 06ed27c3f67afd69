#!/usr/bin/env bash
# Renders the README's gallery from the built-in picture: one picture per shape type and
# a few echo settings, at half size. Run from anywhere after a build:
#   cli/make-gallery.sh [path/to/vantrel]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vantrel=${1:-$here/../build/default/vantrel}
out=$here/gallery
mkdir -p "$out"

shot() {  # NAME then --set arguments
  local name=$1
  shift
  "$vantrel" render -q --downsample 2 -o "$out/$name.jpg" "$@"
  echo "$out/$name.jpg"
}

shot circle    --set "Shape Type=Circle"
shot ring      --set "Shape Type=Ring" --set "Shape Size 2=120"
shot cross     --set "Shape Type=Cross" --set "Shape Size 1=600" --set "Shape Size 2=60"
shot triangle  --set "Shape Type=Triangle" --set "Shape Size 1=200"
shot rectangle --set "Shape Type=Rectangle" --set "Shape Size 1=360" --set "Shape Size 2=200"
shot hexagon   --set "Shape Type=Hexagon" --set "Shape Size 1=260"
shot octagon   --set "Shape Type=Octagon" --set "Shape Size 1=260"
shot t-shape   --set "Shape Type=T Shape" --set "Shape Size 1=520" --set "Shape Size 2=90"
shot chevron   --set "Shape Type=Chevron" --set "Shape Size 1=180"

shot echo-trail --set "Shape Type=Circle" --set "Shape Size 1=160" --set "Fill Type=Fill Inside" \
  --set "Instances=8" --set "Position X Offset=-110" --set "Scale X Offset=6" --set "Scale Y Offset=6" \
  --set "Opacity Offset=10" --set "Shadow Opacity=70" --set "Shadow Size=40"
shot echo-spiral --set "Shape Type=Rectangle" --set "Shape Size 1=300" --set "Shape Size 2=300" \
  --set "Instances=12" --set "Rotation Offset=12" --set "Scale X Offset=7" --set "Scale Y Offset=7" \
  --set "Edge Type=Stroke" --set "Stroke Size=6" --set "Stroke Color=#FFFFFF"
shot_png() {  # the same, kept as PNG for its transparency
  local name=$1
  shift
  "$vantrel" render -q --downsample 2 -o "$out/$name.png" "$@"
  echo "$out/$name.png"
}

shot_png echo-transparent --set "Shape Type=Hexagon" --set "Shape Size 1=140" --set "Fill Type=Fill Inside" \
  --set "Transparent Background=on" --set "Instances=6" --set "Position Y Offset=-60" \
  --set "Position X Offset=90" --set "Scale X Offset=-8" --set "Scale Y Offset=-8"

# A soft-edged disc (straight colour, alpha falling to 0) beside its echoes, both over a
# checkerboard: where an echo's partial alpha meets transparency its colour darkens.
soft=$(mktemp -d)
trap 'rm -rf "$soft"' EXIT
ffmpeg -v error -y -f lavfi -i \
  "color=c=0xF08020:s=480x270,format=rgba,geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='255*max(0,1-hypot(X-W/2,Y-H/2)/120)'" \
  -frames:v 1 "$soft/disc.png"
"$vantrel" render -q "$soft/disc.png" -o "$soft/echoes.png" --set "Shape Size 1=200" --set "Fill Type=Fill Inside" \
  --set "Instances=4" --set "Position X Offset=50" --set "Shadow Opacity=0" --set "Scale X Offset=0" \
  --set "Scale Y Offset=0"
ffmpeg -v error -y -f lavfi -i "color=c=white:s=480x270" -i "$soft/disc.png" -i "$soft/echoes.png" -frames:v 1 \
  -filter_complex "[0]geq=lum='if(mod(floor(X/16)+floor(Y/16),2),200,255)':cb=128:cr=128,format=rgb24,split[c1][c2];[c1][1]overlay[a];[c2][2]overlay[b];[a][b]hstack" -q:v 3 \
  "$out/semi-transparent.jpg"
echo "$out/semi-transparent.jpg"
