#!/usr/bin/env bash
# Times dropshrink against `djpeg | cjpeg -quality 75 -optimize` and
# ImageMagick's `convert -quality 75` on the same sources, in one run, and
# prints the time ratios, the CPU time ratio and each tool's peak memory.
# Run by hand:
#   bench/run.sh [RUNS]
#   BENCH_CPUS=1 bench/run.sh     # every tool pinned to that CPU list
# The pipeline runs djpeg and cjpeg at once, so with two free cores its wall
# time is below the sum of its CPU time; pinned to one core, all three tools
# get the same hardware.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
root=$PWD
data=$root/bench/out/images
work=$root/bench/out/work

command -v hyperfine >/dev/null || apt-get install -y -qq hyperfine >/dev/null
command -v cjpeg >/dev/null || apt-get install -y -qq libjpeg-turbo-progs >/dev/null
command -v pngtopnm >/dev/null || apt-get install -y -qq netpbm >/dev/null
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native --target dropshrink >/dev/null
bench/make-images.sh "$data"
mkdir -p "$work"
# /usr/local/bin/convert may be a stand-in; ImageMagick's own binary is the peer.
im=$(command -v convert-im6.q16 || command -v convert)
ds=$root/build/native/cli/dropshrink
pin=()
[ -n "${BENCH_CPUS:-}" ] && pin=(taskset -c "$BENCH_CPUS")

# Peak resident memory in kB and CPU seconds (user + system) of one run.
measure() { "${pin[@]}" /usr/bin/time -f '%M %U %S' "$@" 2>&1 >/dev/null | tail -n 1; }

printf '%-14s %8s %8s %9s %9s %11s %8s %8s %8s %9s\n' source ours_ms pipe_ms magick_ms \
  ours/pipe magick/ours cpu:o/p ours_MB pipe_MB magick_MB
for src in "$data"/*.jpg "$data"/*.bmp "$data"/*.png; do
  name=$(basename "$src")
  json=$work/$name.json
  # The libjpeg-turbo peer: djpeg for JPEG sources; cjpeg reads BMP itself;
  # PNG goes through netpbm's pngtopnm.
  case $src in
    *.jpg) decode="djpeg $src |" ;;
    *.bmp) decode="cat $src |" ;;
    *.png) decode="pngtopnm $src |" ;;
  esac
  pipeline="$decode cjpeg -quality 75 -optimize > $work/pipe.jpg"
  hyperfine -N -w 1 -r "$runs" --export-json "$json" \
    -n ours "${pin[*]} $ds -o $work $src" \
    -n pipe "${pin[*]} sh -c '$pipeline'" \
    -n magick "${pin[*]} $im $src -quality 75 $work/magick.jpg" >/dev/null 2>&1
  read -r ours pipe magick < <(python3 -c "
import json,sys
r={x['command']:x['median'] for x in json.load(open('$json'))['results']}
print(r['ours']*1000, r['pipe']*1000, r['magick']*1000)")
  read -r m_ours u1 s1 < <(measure "$ds" -o "$work" "$src")
  read -r m_pipe u2 s2 < <(measure sh -c "$pipeline")
  read -r m_magick _ _ < <(measure "$im" "$src" -quality 75 "$work/magick.jpg")
  python3 -c "
o,p,m=$ours,$pipe,$magick
co,cp=$u1+$s1,$u2+$s2
print('%-14s %8.0f %8.0f %9.0f %9.2f %11.2f %8.2f %8.1f %8.1f %9.1f' % ('$name',o,p,m,o/p,m/o,co/cp if cp else 0,$m_ours/1024,$m_pipe/1024,$m_magick/1024))"
done
cat <<'NOTE'
ours/pipe:   wall time of dropshrink over the libjpeg-turbo pipeline (median of the runs):
             djpeg|cjpeg for JPEG, cjpeg for BMP, pngtopnm|cjpeg for PNG
magick/ours: how many times faster than ImageMagick's convert -quality 75
cpu:o/p:     CPU time (user + system) of dropshrink over the whole pipeline's
pipe_MB:     the larger of djpeg's and cjpeg's peaks (they run at once)
NOTE
