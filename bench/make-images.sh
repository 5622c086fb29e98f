#!/usr/bin/env bash
# Writes the benchmark's source pictures into DIR: photo-like 12- and
# 16-megapixel images from fixed seeds, as JPEG (quality 92), plus one as
# 24-bit BMP and PNG. The same ImageMagick version gives the same files.
set -euo pipefail
dir=${1:?usage: make-images.sh DIR}
mkdir -p "$dir"
make() {
  local name=$1 size=$2 seed=$3
  [ -f "$dir/$name.jpg" ] && return 0
  # Plasma gives smooth gradients with fine detail; a light blur and noise
  # make it read like a camera picture rather than a synthetic one.
  convert -seed "$seed" -size "$size" plasma:fractal -blur 0x1.2 \
    -seed "$seed" -attenuate 0.4 +noise Gaussian -depth 8 "$dir/$name.ppm"
  cjpeg -quality 92 "$dir/$name.ppm" > "$dir/$name.jpg"
}
make photo12a 4000x3000 11
make photo12b 4000x3000 23
make photo16 4608x3456 37
[ -f "$dir/photo12a.bmp" ] || convert "$dir/photo12a.ppm" -type TrueColor "BMP3:$dir/photo12a.bmp"
[ -f "$dir/photo12a.png" ] || convert "$dir/photo12a.ppm" "$dir/photo12a.png"
rm -f "$dir"/*.ppm
