#!/usr/bin/env bash
# Times dropshrink against `djpeg | cjpeg -quality 75 -optimize` and
# ImageMagick's `convert -quality 75` on the same sources, in one run, and
# prints the time ratios and each tool's peak memory. Run by hand:
#   bench/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
root=$PWD
data=$root/bench/out/images
work=$root/bench/out/work

command -v hyperfine >/dev/null || apt-get install -y -qq hyperfine >/dev/null
command -v cjpeg >/dev/null || apt-get install -y -qq libjpeg-turbo-progs >/dev/null
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native --target dropshrink >/dev/null
bench/make-images.sh "$data"
mkdir -p "$work"
ds=$root/build/native/cli/dropshrink

peak_kb() { /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -n 1; }

printf '%-14s %10s %10s %10s %8s %8s %9s %9s %9s\n' source ours_ms pipe_ms magick_ms \
  ours/pipe magick/ours ours_MB pipe_MB magick_MB
for src in "$data"/*.jpg "$data"/*.bmp "$data"/*.png; do
  name=$(basename "$src")
  json=$work/$name.json
  hyperfine -N -w 1 -r "$runs" --export-json "$json" \
    -n ours "$ds -o $work $src" \
    -n pipe "sh -c 'djpeg $src | cjpeg -quality 75 -optimize > $work/pipe.jpg'" \
    -n magick "convert $src -quality 75 $work/magick.jpg" >/dev/null 2>&1
  read -r ours pipe magick < <(python3 -c "
import json,sys
r={x['command']:x['median'] for x in json.load(open('$json'))['results']}
print(r['ours']*1000, r['pipe']*1000, r['magick']*1000)")
  m_ours=$(peak_kb "$ds" -o "$work" "$src")
  m_pipe=$(peak_kb sh -c "djpeg $src | cjpeg -quality 75 -optimize > $work/pipe.jpg")
  m_magick=$(peak_kb convert "$src" -quality 75 "$work/magick.jpg")
  python3 -c "
o,p,m=$ours,$pipe,$magick
print('%-14s %10.0f %10.0f %10.0f %8.2f %8.2f %9.1f %9.1f %9.1f' % ('$name',o,p,m,o/p,m/o,$m_ours/1024,$m_pipe/1024,$m_magick/1024))"
done
echo "ours/pipe: time of dropshrink over djpeg|cjpeg (target <= 1.10 for JPEG sources)"
echo "magick/ours: how many times faster than ImageMagick (target >= 1.5)"
echo "pipe_MB is the larger of the two processes' peaks as /usr/bin/time sees sh; see README"
