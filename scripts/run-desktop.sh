#!/usr/bin/env bash
# Starts the desktop program, DropShrink.exe, under Wine on this machine's X
# display, building it first when it is missing or out of date.
#
#   scripts/run-desktop.sh        (./run without arguments comes here)
#
# The program needs a display: with none, this says so and points at
# scripts/try-desktop.sh, which uses the program on a virtual screen and keeps
# screenshots. Wine runs in a 32-bit prefix of its own (build/wineprefix-
# desktop, or DROPSHRINK_DESKTOP_PREFIX) with the Chinese ANSI code page, so
# Chinese file names come through as the program expects.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${DROPSHRINK_WIN32_BUILD:-$root/build/win32}
exe=$build/app/DropShrink.exe
say() { printf 'run-desktop: %s\n' "$*" >&2; }

if [ -z "${DISPLAY:-}" ]; then
  say "no X display: DISPLAY is not set, and the desktop program is a window."
  say "Run ./run from a graphical session (or with ssh -X), or try the program"
  say "headless with scripts/try-desktop.sh: it starts a virtual screen, clicks"
  say "through the windows and keeps screenshots under build/try-desktop/."
  say "The command-line form works anywhere: ./run PATH..."
  exit 1
fi
if ! xdpyinfo >/dev/null 2>&1 && ! xwininfo -root >/dev/null 2>&1; then
  say "cannot open the X display '$DISPLAY' (is the server running, may this user use it?)"
  exit 1
fi
command -v wine >/dev/null || { say "wine is missing; scripts/setup.sh installs it"; exit 1; }

deps=$("$root/scripts/build-win32-deps.sh" | tail -1)
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DDROPSHRINK_WIN32_DEPS="$deps" >/dev/null
fi
cmake --build "$build" --target DropShrink >/dev/null

export WINEPREFIX=$(realpath -m "${DROPSHRINK_DESKTOP_PREFIX:-$root/build/wineprefix-desktop}")
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
if [ ! -f "$WINEPREFIX/.initialised" ]; then
  say "creating the Wine prefix $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.initialised"
fi
exec wine "$exe"
