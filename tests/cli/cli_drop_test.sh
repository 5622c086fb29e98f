#!/usr/bin/env bash
# Runs the command line on real folders of mixed files and checks what a
# user sees: the files written, the summary, the exit status.
# usage: cli_drop_test.sh PATH-TO-dropshrink
set -u

tool=$(realpath "$1")
for needed in convert identify; do
  if ! command -v "$needed" >/dev/null; then
    echo "SKIP: ImageMagick's $needed makes the sample images"; exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/dropshrink-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

suffix='_压缩.jpg'
passed=0
failed=0

check() {  # label, then a command that must succeed
  local label=$1; shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $label"
  fi
}

# Runs the tool, keeping its exit status, stdout and stderr.
run() {
  "$tool" "$@" >stdout.txt 2>stderr.txt
  status=$?
}

has_line() { grep -qxF -- "$1" stdout.txt; }
same_files() {  # folder, then the expected names
  local folder=$1; shift
  diff <(cd "$folder" && find . -maxdepth 1 -type f -printf '%P\n' | LC_ALL=C sort) \
       <([ $# = 0 ] || printf '%s\n' "$@" | LC_ALL=C sort)
}
quality_is() { [ "$(identify -format '%m %Q' "$1")" = "JPEG $2" ]; }

# A folder as a user might have it: one image of each format, a text file
# and a subfolder with an image.
mkdir -p pics/sub out
convert -size 32x24 gradient:red-blue pics/cat.jpg
convert -size 20x16 gradient:white-green BMP3:pics/tree.bmp
convert -size 20x16 gradient:yellow-black pics/leaf.tif
convert -size 20x16 gradient:white-black -depth 8 pics/sky.png
convert -size 20x16 gradient:blue-white pics/sun.pcx
cp pics/cat.jpg "pics/猫.jpg"
echo "shopping list" >pics/notes.txt
cp pics/cat.jpg pics/sub/inner.jpg

run -o out pics
check "folder: exit status" [ "$status" = 0 ]
check "folder: outputs" same_files out "cat$suffix" "tree$suffix" "leaf$suffix" "sky$suffix" \
  "sun$suffix" "猫$suffix"
check "folder: converted count" has_line "converted: 6"
# The text file, named with its reason; the folder itself is no source.
check "folder: skipped count" has_line "skipped: 1"
check "folder: skipped named" has_line "  pics/notes.txt: not an image or undecodable"
check "folder: failed count" has_line "failed: 0"
check "folder: output folder" has_line "output folder: out/"
check "folder: quality 75" quality_is "out/cat$suffix" 75
check "folder: sources untouched" same_files pics cat.jpg tree.bmp leaf.tif sky.png sun.pcx \
  "猫.jpg" notes.txt
check "folder: no progress off a terminal" [ ! -s stderr.txt ]

# Several paths: each converted, the folder not scanned, failures named.
rm -f out/*
run -o out -q 40 pics/cat.jpg pics/notes.txt pics/sub missing.png
check "several: exit status" [ "$status" = 1 ]
check "several: outputs" same_files out "cat$suffix"
check "several: quality" quality_is "out/cat$suffix" 40
check "several: converted count" has_line "converted: 1"
check "several: skipped count" has_line "skipped: 1"
check "several: folder note" has_line "  pics/sub: a folder, scanned only when it is the only PATH"
check "several: failed count" has_line "failed: 2"
check "several: undecodable named" has_line "  pics/notes.txt: not an image or undecodable"
check "several: missing named" has_line "  missing.png: not found"

# No -o: the current folder. Converting a folder into itself takes each
# source once, never a target of the same run.
(cd pics/sub && "$tool" . >../../stdout.txt 2>&1)
status=$?
check "here: exit status" [ "$status" = 0 ]
check "here: outputs beside sources" same_files pics/sub inner.jpg "inner$suffix"
check "here: converted count" has_line "converted: 1"
check "here: output folder" has_line "output folder: $work/pics/sub/"

run -o out --grey pics/sky.png
check "grey: exit status" [ "$status" = 0 ]
check "grey: colour space" [ "$(identify -format '%[colorspace]' "out/sky$suffix")" = Gray ]

# Bad arguments: usage on stderr, status 2, nothing written.
rm -f out/*
while IFS='|' read -r label args; do
  read -ra argv <<<"$args"
  run "${argv[@]}"
  check "$label: exit status" [ "$status" = 2 ]
  check "$label: usage" grep -q '^usage: dropshrink' stderr.txt
  check "$label: nothing written" same_files out
done <<'ROWS'
no path|-o out
quality 0|-o out -q 0 pics/cat.jpg
quality 101|-o out -q 101 pics/cat.jpg
quality not a number|-o out -q high pics/cat.jpg
smoothing out of range|-o out --smoothing 200 pics/cat.jpg
unknown option|-o out --fast pics/cat.jpg
-o without folder|pics/cat.jpg -o
missing output folder|-o nowhere pics/cat.jpg
ROWS

run --help
check "help: exit status" [ "$status" = 0 ]
check "help: usage" grep -q '^usage: dropshrink' stdout.txt

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
