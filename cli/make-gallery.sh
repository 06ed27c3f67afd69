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
