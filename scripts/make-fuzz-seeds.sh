#!/usr/bin/env bash
# Writes small seed inputs for the fuzz targets into DIR/<reader>/ (default
# build/fuzz/seeds): pictures ImageMagick writes in the variants each reader
# meets, and a few hand-made PCX edge cases. Nothing here is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/fuzz/seeds}
mkdir -p "$out"/{jpeg,bmp,tiff,png,pcx,photocd}

# A hand-made PCX: header fields given in hex, then the bytes after it.
pcx() { # file planes bits-per-plane width height bytes-per-line encoding body-printf
  local f=$1 planes=$2 bits=$3 w=$4 h=$5 bpl=$6 enc=$7 body=$8
  {
    printf '\x0a\x05'"$(printf '\\x%02x\\x%02x' "$enc" "$bits")"
    printf "$(printf '\\x00\\x00\\x00\\x00\\x%02x\\x%02x\\x%02x\\x%02x' \
      $(((w - 1) & 255)) $(((w - 1) >> 8)) $(((h - 1) & 255)) $(((h - 1) >> 8)))"
    head -c 53 /dev/zero
    printf "$(printf '\\x%02x\\x%02x\\x%02x' "$planes" $((bpl & 255)) $((bpl >> 8)))"
    head -c 60 /dev/zero
    printf "$body"
  } > "$f"
}
# Odd width with a pad byte, a run crossing the line end, the code 192.
pcx "$out/pcx/odd-indexed.pcx" 1 8 3 3 4 1 '\x01\x02\x03\x63\xc6\x07\xc0\xee\x04\xc2\xc8\xc1\x62'
head -c 768 /dev/urandom >> "$out/pcx/odd-indexed.pcx"
pcx "$out/pcx/colour.pcx" 3 8 3 2 4 1 '\x0a\x0b\x0c\x00\x14\x15\x16\x00\x1e\x1f\x20\x00\xc4\xc8\xc4\x00\xc3\x05\xc1\x00'
pcx "$out/pcx/uncompressed.pcx" 1 8 4 2 4 0 '\x01\x02\x03\x04\x05\x06\x07\x08'
head -c 768 /dev/zero >> "$out/pcx/uncompressed.pcx"
pcx "$out/pcx/truncated.pcx" 3 8 4 4 4 1 '\xc8\x01\xc8\x02'

if ! command -v convert >/dev/null 2>&1; then
  echo "make-fuzz-seeds: ImageMagick's convert missing; only hand-made PCX seeds" >&2
  exit 0
fi

im() { convert "$@" 2>/dev/null || echo "make-fuzz-seeds: could not write ${*: -1}" >&2; }
src="-size 13x9 -seed 1 plasma:fractal"
im $src -quality 80 "$out/jpeg/colour.jpg"
im $src -colorspace gray -quality 80 "$out/jpeg/grey.jpg"
im $src -interlace plane "$out/jpeg/progressive.jpg"
im $src -colorspace cmyk "$out/jpeg/cmyk.jpg"
im $src -sampling-factor 1x1 -quality 95 "$out/jpeg/444.jpg"

im $src -type truecolor "bmp3:$out/bmp/rgb24.bmp"
im $src -type truecolor "bmp2:$out/bmp/os2.bmp"
im $src -type palette "bmp3:$out/bmp/palette.bmp"
im $src -alpha set "bmp:$out/bmp/rgba.bmp"
im $src -type truecolor -compress rle "bmp3:$out/bmp/rle.bmp"

im $src "tiff:$out/tiff/rgb.tif"
im $src -compress lzw "tiff:$out/tiff/lzw.tif"
im $src -colorspace gray -depth 8 "tiff:$out/tiff/grey.tif"
im $src -type palette "tiff:$out/tiff/palette.tif"
im $src -alpha set -compress zip "tiff:$out/tiff/rgba-zip.tif"
im $src -monochrome -compress group4 "tiff:$out/tiff/g4.tif"
im $src \( +clone -negate \) "tiff:$out/tiff/two-pages.tif"

im $src "png24:$out/png/rgb.png"
im $src -alpha set "png32:$out/png/rgba.png"
im $src -type palette "png8:$out/png/palette.png"
im $src -colorspace gray "png:$out/png/grey.png"
im $src -monochrome "png:$out/png/bilevel.png"
im $src -colorspace gray -alpha set "png:$out/png/grey-alpha.png"
im $src -depth 16 "png48:$out/png/rgb16.png"
im $src -interlace png "png:$out/png/interlaced.png"
im $src -gamma 1.0 -define png:include-chunk=gAMA "png:$out/png/gamma.png"

im $src -type truecolor "pcx:$out/pcx/magick-rgb.pcx"
im $src -type palette "pcx:$out/pcx/magick-palette.pcx"
im $src -alpha set "pcx:$out/pcx/magick-rgba.pcx"

# The fuzz target pads its input to the size threshold and takes the first
# byte for the resolution (0 Base/16, 6 Base/4, 7 Base; the reader never
# looks at it), so a pac's first 12 KB (signature and the start of Base/16)
# make three seeds.
pac=$(mktemp)
trap 'rm -f "$pac"' EXIT
if convert -size 768x512 -seed 2 plasma:fractal "pcd:$pac" 2>/dev/null; then
  for r in 0 6 7; do
    { printf "\\x0$r"; head -c 12288 "$pac" | tail -c +2; } > "$out/photocd/pac-$r.pcd"
  done
fi
