#!/usr/bin/env bash
# Decodes public test images that nobody here wrote with the engine's decoder
# chain and compares them, sample for sample, with independent decoders:
# ImageMagick for PNG, TIFF and BMP, djpeg for JPEG.
#
#   compare-corpora.sh DECODE_DUMP WORK_DIR EXPECTATIONS
#
# The images come from the Debian source packages that the Win32 build also
# uses (PngSuite in libpng1.6, test/images in tiff, testimages in
# libjpeg-turbo), fetched into ${DROPSHRINK_CACHE:-/var/cache/dropshrink}/src
# when missing, plus BMP files that ImageMagick writes here in each variant.
# A file not named in EXPECTATIONS must decode to exactly what the oracle
# gives; each exception is a line there with its reason. Exit 77 (skipped)
# when the oracles or the packages cannot be had.
set -uo pipefail

[ $# = 3 ] || { echo "usage: $0 DECODE_DUMP WORK_DIR EXPECTATIONS" >&2; exit 2; }
dump=$1 work=$2 expectations=$3
cache=${DROPSHRINK_CACHE:-/var/cache/dropshrink}/src
suite=bookworm

skip() { echo "SKIPPED: $*"; exit 77; }

# The real ImageMagick, not whatever else answers to "convert" on the path.
magick=
for m in /usr/bin/convert-im6.q16 /usr/bin/convert-im6 /usr/bin/convert; do
  [ -x "$m" ] && { magick=$m; break; }
done
[ -n "$magick" ] || skip "ImageMagick is not installed (scripts/setup.sh installs it)"
command -v djpeg >/dev/null || skip "djpeg is not installed (libjpeg-turbo-progs)"

latest() { ls "$cache"/$1 2>/dev/null | sort -V | tail -n1; }
png_tar=$(latest 'libpng1.6_*.orig.tar.*')
tiff_tar=$(latest 'tiff_*.orig.tar.*')
jpeg_tar=$(latest 'libjpeg-turbo_*.orig.tar.*')
if [ -z "$png_tar" ] || [ -z "$tiff_tar" ] || [ -z "$jpeg_tar" ]; then
  echo "fetching source packages into $cache"
  mkdir -p "$cache" || skip "cannot create $cache"
  (cd "$cache" && apt-get source --download-only \
      libpng1.6/$suite tiff/$suite libjpeg-turbo/$suite >/dev/null 2>&1) \
    || skip "apt-get source failed (are deb-src entries enabled? see scripts/setup.sh)"
  png_tar=$(latest 'libpng1.6_*.orig.tar.*')
  tiff_tar=$(latest 'tiff_*.orig.tar.*')
  jpeg_tar=$(latest 'libjpeg-turbo_*.orig.tar.*')
fi

corpora=$work/corpora out=$work/out
rm -rf "$corpora" "$out"
mkdir -p "$corpora"/{tiff,jpeg,magick-bmp} "$out"

# Only the folders of test images, each under its own name.
tar -xf "$png_tar" -C "$corpora" --wildcards --no-anchored --strip-components=2 \
  '*/contrib/pngsuite/*' '*/contrib/testpngs/*' \
  || { echo "cannot extract the test images from $png_tar"; exit 1; }
tar -xf "$tiff_tar" -C "$corpora/tiff" --wildcards --no-anchored --strip-components=3 \
  '*/test/images/*' || { echo "cannot extract test/images from $tiff_tar"; exit 1; }
tar -xf "$jpeg_tar" -C "$corpora/jpeg" --wildcards --no-anchored --strip-components=2 \
  '*/testimages/*' || { echo "cannot extract testimages from $jpeg_tar"; exit 1; }

# BMP files as ImageMagick writes them, from a photograph of the JPEG corpus
# cut to widths that need 3, 1, 2 and no fill bytes per row. The variants the
# BMP reader declines are written too, so the table shows them declined.
bmp=$corpora/magick-bmp
photo=$corpora/jpeg/testorig.ppm
for size in 227x149 1x7 2x5 4x3; do
  src=$out/photo-$size.ppm
  "$magick" "$photo" -crop "$size+0+0" +repage "$src" || exit 1
  "$magick" "$src" -type TrueColor "BMP3:$bmp/win40-24-$size.bmp" &&
  "$magick" "$src" -type TrueColor "BMP2:$bmp/os2-24-$size.bmp" &&
  "$magick" "$src" -type TrueColor -define bmp:format=bmp4 "BMP:$bmp/win108-24-$size.bmp" &&
  "$magick" "$src" -type TrueColor "BMP:$bmp/win124-24-$size.bmp" || exit 1
done
src=$out/photo-227x149.ppm
"$magick" "$src" -colors 200 -type Palette "BMP3:$bmp/win40-8.bmp" &&
"$magick" "$src" -colors 200 -type Palette -compress RLE "BMP3:$bmp/win40-rle8.bmp" &&
"$magick" "$src" -colors 16 -type Palette "BMP3:$bmp/win40-4.bmp" &&
"$magick" "$src" -monochrome "BMP3:$bmp/win40-1.bmp" &&
"$magick" "$src" -colors 200 -type Palette "BMP2:$bmp/os2-8.bmp" &&
"$magick" "$src" -define bmp:subtype=RGB565 "BMP:$bmp/win124-16.bmp" &&
"$magick" "$src" -alpha set -channel A -evaluate set 50% +channel -type TrueColorAlpha \
  "BMP:$bmp/win124-32-alpha.bmp" || exit 1

# The expectations: corpus/file, outcome, argument, reason.
declare -A outcome argument
while read -r name what arg _; do
  case $name in ''|'#'*) continue ;; esac
  outcome[$name]=$what
  argument[$name]=$arg
done < "$expectations"

pass=0 fail=0
declare -A counts
note() { counts[$1]=$(( ${counts[$1]:-0} + 1 )); }
bad() { echo "FAIL $1: $2"; fail=$((fail + 1)); }

check() {
  local name=$1 file=$2 oracle=$3 what=${outcome[$1]:-equal} arg=${argument[$1]:-}
  local ref=$out/ref.pnm line status
  case $what in
    rejected)
      line=$("$dump" "$file"); status=$?
      if [ $status = 3 ]; then note rejected; pass=$((pass + 1))
      else bad "$name" "expected -3, got: $line"; fi
      return ;;
    unlike)
      line=$("$dump" "$file"); status=$?
      if [ $status = 0 ]; then note "decoded, not compared"; pass=$((pass + 1))
      else bad "$name" "expected to decode, got: $line"; fi
      return ;;
    equal|gamma|near) ;;
    *) bad "$name" "unknown outcome '$what' in the expectations"; return ;;
  esac
  local tolerance=0 extra=()
  [ "$what" = near ] && tolerance=$arg
  # Alpha is dropped without blending, as the engine does. ImageMagick takes a PNG with a gAMA chunk for another colour space and
  # would convert it to sRGB on output; the samples as stored are wanted.
  case $file in *.png) extra=(-set colorspace sRGB) ;; esac
  # libpng and ImageMagick each round their own gamma table.
  [ "$what" = gamma ] && { tolerance=1; extra+=(-gamma "$arg"); }
  if [ "$oracle" = djpeg ]; then
    djpeg -pnm "$file" > "$ref" 2>/dev/null || { bad "$name" "djpeg cannot read it"; return; }
  else
    "$magick" "$file[0]" "${extra[@]}" -alpha off -depth 8 "ppm:$ref" 2>/dev/null \
      || { bad "$name" "ImageMagick cannot read it"; return; }
  fi
  line=$("$dump" "$file" -r "$ref" -t "$tolerance"); status=$?
  if [ $status = 0 ]; then note "$what"; pass=$((pass + 1))
  else bad "$name" "$line"; fi
}

declare -A seen
while IFS= read -r f; do
  n=${f#"$corpora"/}
  seen[$n]=1
  case $f in *.jpg) check "$n" "$f" djpeg ;; *) check "$n" "$f" magick ;; esac
done < <(find "$corpora" -type f \( -name '*.png' -o -name '*.tif' -o -name '*.tiff' \
           -o -name '*.jpg' -o -name '*.bmp' \) | LC_ALL=C sort)
for n in "${!outcome[@]}"; do
  [ -n "${seen[$n]:-}" ] || bad "$n" "named in the expectations but not in the corpus"
done

summary=
for k in equal gamma near rejected "decoded, not compared"; do
  summary+="${counts[$k]:-0} $k, "
done
echo "corpus: ${summary%, }"
echo "$pass passed, $fail failed"
[ "$fail" = 0 ]
