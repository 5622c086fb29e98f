#!/usr/bin/env bash
# A temporary folder with too little room for the pixel file: the conversion
# must fail with a word and leave nothing behind. A sparse pixel file would
# instead run out of room while it is written and the process would die of
# SIGBUS. Needs a private mount namespace to mount a small tmpfs; skips
# without one.
# usage: full_temp_folder_test.sh PATH-TO-dropshrink
set -u
tool=$(realpath "$1")
command -v cjpeg >/dev/null || { echo "SKIP: cjpeg makes the sample picture"; exit 77; }
if ! unshare --mount true 2>/dev/null; then
  echo "SKIP: no private mount namespace here"; exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/dropshrink-full.XXXXXX")
trap 'rm -rf "$work"' EXIT

# 1500 x 1000 pixels need 4.5 MB of pixel memory; the folder holds 1 MB.
printf 'P6\n1500 1000\n255\n' >"$work/in.ppm"
head -c 4500000 /dev/zero >>"$work/in.ppm"
cjpeg "$work/in.ppm" >"$work/in.jpg"
mkdir "$work/tmp" "$work/out"

unshare --mount sh -c '
  mount -t tmpfs -o size=1m tmpfs "$1/tmp" || exit 77
  TMPDIR="$1/tmp" "$2" -o "$1/out" "$1/in.jpg" >"$1/stdout.txt" 2>&1
  echo $? >"$1/status"
  ls -A "$1/tmp" >"$1/left.txt"
' sh "$work" "$tool"
[ -f "$work/status" ] || { echo "SKIP: cannot mount a tmpfs here"; exit 77; }

status=$(cat "$work/status")
ok=1
[ "$status" = 1 ] || { echo "FAIL: exit status $status, want 1"; ok=0; }
grep -q "in.jpg: not an image or undecodable" "$work/stdout.txt" ||
  { echo "FAIL: no failure line"; cat "$work/stdout.txt"; ok=0; }
[ ! -s "$work/left.txt" ] || { echo "FAIL: left in the temporary folder:"; cat "$work/left.txt"; ok=0; }
[ -z "$(ls -A "$work/out")" ] || { echo "FAIL: a target was written"; ok=0; }
[ $ok = 1 ] && echo "1 passed, 0 failed" || { echo "0 passed, 1 failed"; exit 1; }
