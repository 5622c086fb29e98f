#!/usr/bin/env bash
# Draws the pictures and the icon that are built into the desktop program and
# writes them into app/assets/. The results are committed, so the build needs
# neither ImageMagick nor the fonts; run this only to change the pictures.
#
# Needs ImageMagick (convert) and two font packages from Debian:
#   fonts-comic-neue     hand-lettered Latin words ("Help", "Drag Your Files Here", ...)
#   fonts-arphic-ukai    Kai-style brush script for the Chinese hint and "确定"
#   apt-get install imagemagick fonts-comic-neue fonts-arphic-ukai
#
# The output is reproducible: the texture comes from a fixed-seed generator
# and no time stamps are written into the PNG files.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/app/assets}
latin=/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf
kai=/usr/share/fonts/truetype/arphic/ukai.ttc

for f in "$latin" "$kai"; do
  [ -f "$f" ] || { echo "make-assets: font $f missing (see the packages above)" >&2; exit 1; }
done
command -v convert >/dev/null || { echo "make-assets: ImageMagick's convert is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# PNG files with 8-bit RGBA and nothing that changes from run to run.
png_opts=(-strip -define png:exclude-chunks=date,time,tIME -define png:color-type=6
  -define png:bit-depth=8)

# A small linear congruential generator, so the same squares come out on
# every machine whatever awk or shell version runs this.
seed=20120611
next_random() { # $1 = bound; sets r to 0..bound-1
  seed=$(( (seed * 1103515245 + 12345) % 2147483648 ))
  r=$(( (seed / 65536) % $1 ))
}

# texture W H COUNT FILE: grey-green ground under overlapping translucent
# squares, some lighter and some darker, slightly turned.
texture() {
  local w=$1 h=$2 count=$3 file=$4 i draw=() size x y angle shade alpha
  for ((i = 0; i < count; i++)); do
    next_random 46; size=$((14 + r))
    next_random $((w + 30)); x=$((r - 15))
    next_random $((h + 30)); y=$((r - 15))
    next_random 31; angle=$((r - 15))
    next_random 5; shade=$r
    next_random 14; alpha=$((6 + r))
    case $shade in
      0) colour="rgba(255,255,255,0.$(printf %02d "$alpha"))" ;;
      1) colour="rgba(214,226,205,0.$(printf %02d "$alpha"))" ;;
      2) colour="rgba(120,140,112,0.$(printf %02d "$alpha"))" ;;
      3) colour="rgba(70,88,66,0.$(printf %02d "$((alpha / 2 + 3))"))" ;;
      *) colour="rgba(168,184,158,0.$(printf %02d "$((alpha + 10))"))" ;;
    esac
    draw+=(-fill "$colour" -stroke "rgba(255,255,255,0.10)" -strokewidth 1
      -draw "translate $x,$y rotate $angle rectangle 0,0 $size,$size")
  done
  convert -size "${w}x${h}" gradient:'#b4c2ab-#8fa087' "${draw[@]}" "$file"
}

# rounded FILE W H RADIUS: makes the corners outside a rounded rectangle
# fully transparent and everything inside fully opaque.
rounded() {
  local file=$1 w=$2 h=$3 radius=$4
  convert -size "${w}x${h}" xc:black -fill white \
    -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $radius,$radius" "$work/mask.png"
  convert "$file" -alpha off "$work/mask.png" -compose CopyOpacity -composite "$file"
}

# lettering FONT POINTS COLOUR TEXT FILE: the text alone, trimmed to its ink.
lettering() {
  convert -background none -fill "$3" -font "$1" -pointsize "$2" label:"$4" -trim +repage "$5"
}

# place BASE PIECE LEFT TOP RIGHT BOTTOM: fits the piece into the box (the
# bounds included), keeping its proportions, centred in the box.
place() {
  local base=$1 piece=$2 l=$3 t=$4 rgt=$5 b=$6 bw bh pw ph
  bw=$((rgt - l + 1)); bh=$((b - t + 1))
  convert "$piece" -resize "${bw}x${bh}" "$work/fit.png"
  read -r pw ph < <(convert "$work/fit.png" -format '%w %h\n' info:)
  convert "$base" "$work/fit.png" -geometry "+$((l + (bw - pw) / 2))+$((t + (bh - ph) / 2))" \
    -compose over -composite "$base"
}

# Main background, 391 x 107: "Help", "-" and "X" where the zones of the
# main window lie over them.
texture 391 107 150 "$work/main.png"
lettering "$latin" 40 '#23291f' 'Help' "$work/help-word.png"
place "$work/main.png" "$work/help-word.png" 8 9 48 29
convert "$work/main.png" -fill '#23291f' -draw "rectangle 349,12 359,13" "$work/main.png"
lettering "$latin" 40 '#23291f' 'X' "$work/x.png"
place "$work/main.png" "$work/x.png" 368 6 380 18
rounded "$work/main.png" 391 107 8
convert "$work/main.png" "${png_opts[@]}" "PNG32:$out/main_background.png"

# Overlays, 400 x 100, transparent but for their words.
overlay() { # TEXT LEFT RIGHT FILE
  convert -size 400x100 xc:none "$work/overlay.png"
  lettering "$latin" 72 black "$1" "$work/words.png"
  place "$work/overlay.png" "$work/words.png" "$2" 35 "$3" 68
  convert "$work/overlay.png" "${png_opts[@]}" "PNG32:$4"
}
overlay 'Drag Your Files Here' 38 364 "$out/idle_overlay.png"
overlay 'Loading...' 122 273 "$out/busy_overlay.png"

# Help background, 475 x 112: the hint in two lines (the break after "拖")
# and "确定" below the middle, under the OK zone of the help window.
texture 475 112 180 "$work/help.png"
convert -background none -fill black -font "$kai" -pointsize 20 \
  label:'直接把需要压缩的图片或者包含若干图片的文件夹拖' -trim +repage "$work/line1.png"
convert -background none -fill black -font "$kai" -pointsize 20 \
  label:'到窗口上即可' -trim +repage "$work/line2.png"
convert "$work/help.png" \
  "$work/line1.png" -geometry +17+15 -compose over -composite \
  "$work/line2.png" -geometry +17+42 -compose over -composite "$work/help.png"
convert -background none -fill black -font "$kai" -pointsize 30 label:'确定' -trim +repage \
  "$work/ok.png"
place "$work/help.png" "$work/ok.png" 198 68 246 100
rounded "$work/help.png" 475 112 8
convert "$work/help.png" "${png_opts[@]}" "PNG32:$out/help_background.png"

# Icon, 48 x 48 at 32 bits per pixel: a green rounded square with "JPG".
convert -size 48x48 xc:none -fill '#2f9e44' -stroke '#1f7a32' -strokewidth 1 \
  -draw "roundrectangle 1,1 46,46 9,9" "$work/icon.png"
lettering "$latin" 40 white 'JPG' "$work/jpg.png"
place "$work/icon.png" "$work/jpg.png" 6 14 41 33
convert "$work/icon.png" -strip -define icon:auto-resize=48 -type TrueColorAlpha \
  "$out/dropshrink.ico"

echo "make-assets: pictures and icon written to $out"
