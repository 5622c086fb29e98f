#!/usr/bin/env bash
# try-desktop.sh [EXE]: uses the desktop program the way a new user would, on
# a virtual screen under Wine, and keeps what the screen showed at each step
# under build/try-desktop/ (full screenshots and crops of the windows).
#
#   start            the 400 x 100 strip, centred, corners transparent
#   click "Help"     the help window, centred, in front of the main window
#   click "确定"      the help window goes, the main window shows again
#   Esc              the program ends
#   start again
#   click "-"        the main window leaves the screen for its taskbar button
#   taskbar button   it comes back
#   click "X"        the program ends
#
# EXE defaults to build/win32/app/DropShrink.exe. Needs wine, Xvfb, xdotool
# and ImageMagick (scripts/setup.sh installs them). Exit status 0 when every
# step looked as it should; each failed check is named.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${TRY_DESKTOP_OUT:-$root/build/try-desktop}

if [ "${1:-}" != --inside ]; then
  exe=$(realpath -m "${1:-$root/build/win32/app/DropShrink.exe}")
  if [ ! -f "$exe" ]; then
    echo "try-desktop: $exe is missing; build the Win32 program first:" >&2
    echo "  cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \\" >&2
    echo "        -DDROPSHRINK_WIN32_DEPS=\$(scripts/build-win32-deps.sh | tail -1)" >&2
    echo "  cmake --build build/win32 --target DropShrink" >&2
    exit 2
  fi
  for tool in wine Xvfb xdotool xwininfo import convert compare; do
    command -v "$tool" >/dev/null || { echo "try-desktop: $tool is missing (scripts/setup.sh)" >&2; exit 2; }
  done
  mkdir -p "$out"
  # Only this run's screenshots, so none is taken for a step that failed.
  rm -f "$out"/*.png
  # A prefix of its own, so a long session here never holds up the tests'.
  export WINE_TEST_ROOT=${WINE_TEST_ROOT:-$out/wineprefix}
  exec "$root/scripts/wine-env.sh" "$0" --inside "$exe"
fi
exe=$2

log() { printf '[try-desktop] %s\n' "$*" >&2; }
failures=0
check() { # LABEL COMMAND...: runs the check, counts and names a failure
  local label=$1; shift
  if "$@"; then log "ok: $label"; else log "FAILED: $label"; failures=$((failures + 1)); fi
}

# Wine's own desktop in one X window; the desktop named "shell" has a
# taskbar, as on Windows, which a minimised window goes to.
width=1280
height=1024

shot() { # NAME: screenshot of the whole screen
  import -window root "$out/$1.png"
}
pixel() { # NAME X Y: the colour there, as r,g,b
  convert "$out/$1.png" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info:
}
is_background() { [ "$(pixel "$1" "$2" "$3")" = "$background" ]; }
not_background() { ! is_background "$@"; }
crop() { # NAME LEFT TOP WIDTH HEIGHT: a picture of one part of a screenshot
  convert "$out/$1.png" -crop "${4}x${5}+${2}+${3}" +repage "$out/$1-crop.png"
}
# Waits until the check holds on a fresh screenshot, up to about 10 s.
wait_for() { # NAME CHECK...
  local name=$1 i; shift
  for i in $(seq 50); do
    shot "$name"
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
# The program's own process (the desktop's outlives it); a zombie has ended.
running() {
  local state
  state=$(ps -o stat= -p "$app" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}
wait_for_exit() {
  local i
  for i in $(seq 50); do running || return 0; sleep 0.2; done
  return 1
}
start() {
  local i
  wine explorer "/desktop=shell,${width}x${height}" "$exe" >>"$out/wine.log" 2>&1 &
  app=
  for i in $(seq 100); do
    app=$(pgrep -n -f "^$exe" || true)
    [ -n "$app" ] && return 0
    sleep 0.1
  done
  log "the program did not start; see $out/wine.log"
  exit 1
}
click() { xdotool mousemove "$1" "$2" click 1; }

: >"$out/wine.log"
# Where the windows must be: centred on the screen, integer division.
main_left=$(((width - 400) / 2))
main_top=$(((height - 100) / 2))
help_left=$(((width - 461) / 2))
help_top=$(((height - 100) / 2))

desktop_up() { xwininfo -root -tree 2>/dev/null | grep -q " ${width}x${height}+"; }
start
for _ in $(seq 100); do desktop_up && break; sleep 0.1; done
sleep 0.5
# The desktop's own colour, from a place no window of the program covers.
shot 00-desktop
background=$(pixel 00-desktop $((width / 2)) 20)

main_shown() {
  not_background "$1" $((main_left + 200)) $((main_top + 50)) &&
    not_background "$1" $((main_left + 100)) $((main_top + 50))
}
help_shown() {
  # Left of the main window, where only the help window can be.
  not_background "$1" $((help_left + 12)) $((help_top + 50))
}

check "main window shown" wait_for 01-main main_shown 01-main
crop 01-main $((main_left - 20)) $((main_top - 20)) 440 140
check "left of the strip is desktop" is_background 01-main $((main_left - 2)) $((main_top + 50))
check "strip starts where centring puts it" not_background 01-main $((main_left + 3)) $((main_top + 50))
check "strip ends where centring puts it" not_background 01-main $((main_left + 396)) $((main_top + 50))
check "right of the strip is desktop" is_background 01-main $((main_left + 401)) $((main_top + 50))
check "top left corner transparent" is_background 01-main $((main_left + 1)) $((main_top + 1))
check "bottom right corner transparent" is_background 01-main $((main_left + 398)) $((main_top + 98))

click $((main_left + 28)) $((main_top + 12))
check "Help opens the help window" wait_for 02-help help_shown 02-help
crop 02-help $((help_left - 20)) $((help_top - 20)) 501 140
# In front, the help window changes most of what the main window's place
# shows; behind it, nothing there would change.
covers_main() {
  local changed
  convert "$out/01-main.png" -crop "400x100+${main_left}+${main_top}" +repage "$out/.before.png"
  convert "$out/02-help.png" -crop "400x100+${main_left}+${main_top}" +repage "$out/.after.png"
  changed=$(compare -metric AE -fuzz 5% "$out/.before.png" "$out/.after.png" null: 2>&1 || true)
  rm -f "$out/.before.png" "$out/.after.png"
  [ "${changed%%.*}" -gt 20000 ] 2>/dev/null
}
check "help window in front of the main window" covers_main
check "help window's right edge where centring puts it" \
  not_background 02-help $((help_left + 458)) $((help_top + 50))
check "help window's corner transparent" is_background 02-help $((help_left + 1)) $((help_top + 1))

click $((help_left + 215)) $((help_top + 70))
help_gone() { ! help_shown "$1" && main_shown "$1"; }
check "确定 closes the help window and the main window shows" wait_for 03-after-ok help_gone 03-after-ok

# A click on the body does nothing but keep the window active for the key.
click $((main_left + 200)) $((main_top + 60))
sleep 0.5
check "a click on the body leaves the program running" running
xdotool key Escape
check "Esc ends the program" wait_for_exit
shot 04-after-esc
# The prefix is this script's own: ending its server ends what is left.
running && wineserver -k
wineserver -w || true

start
check "main window shown again" wait_for 05-second-start main_shown 05-second-start
click $((main_left + 357)) $((main_top + 10))
main_gone() { is_background "$1" $((main_left + 200)) $((main_top + 50)); }
check "- minimises the main window" wait_for 06-minimised main_gone 06-minimised
crop 06-minimised 0 $((height - 40)) 400 40
check "the program still runs when minimised" running
# The taskbar button sits just right of the start button.
click 120 $((height - 12))
check "the taskbar button brings the main window back" wait_for 07-restored main_shown 07-restored
click $((main_left + 379)) $((main_top + 12))
check "X ends the program" wait_for_exit
shot 08-after-x
running && wineserver -k

log "screenshots in $out"
if [ "$failures" -ne 0 ]; then
  log "$failures check(s) failed"
  exit 1
fi
log "every step looked right"
