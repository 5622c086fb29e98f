#!/usr/bin/env bash
# wine-env.sh CMD...: runs CMD where the Win32 tests expect to be: a private
# 32-bit Wine prefix, a Chinese ANSI code page (936) and an X display of its
# own. Everything started here is stopped on the way out; the exit status is
# CMD's.
#
#   scripts/wine-env.sh ctest --test-dir build/win32 --output-on-failure
#
# WINE_TEST_ROOT names the prefix (default build/win32/wineprefix in the
# repository). Runs that share a prefix take turns, since stopping the Wine
# server of one would kill the programs of the other.
set -euo pipefail

log() { printf '[wine-env] %s\n' "$*" >&2; }

if [ $# -eq 0 ]; then
  echo "usage: $0 CMD [ARG...]" >&2
  exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$(realpath -m "${WINE_TEST_ROOT:-$root/build/win32/wineprefix}")

export WINEPREFIX=$prefix
export WINEARCH=win32
export WINEDEBUG=-all
# No prompts to install Mono or Gecko; the tests use neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine derives the ANSI code page from the locale: GetACP() becomes 936.
export LC_ALL=zh_CN.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  log "warning: locale zh_CN.UTF-8 is missing (scripts/setup.sh makes it); GetACP() will not be 936"
fi

xvfb_pid=
child=
cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  if [ -n "$child" ]; then kill -TERM "$child" 2>/dev/null || true; fi
  if [ -d "$WINEPREFIX" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb_pid" ]; then
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

mkdir -p "$(dirname "$prefix")"
exec 8>"$prefix.lock"
if ! flock -n 8; then
  log "waiting for another run using $prefix"
  flock 8
fi

# Display numbers from 91 up keep clear of the ones people pick by hand. A
# number can be taken between the check and the start, so a server that dies
# at once just moves us on to the next one.
start_xvfb() {
  local n i
  for n in $(seq 91 150); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for i in $(seq 100); do
      if [ -S "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  done
  log "no free X display between :91 and :150"
  return 1
}
start_xvfb

# The marker is written only after wineboot has finished, so a prefix whose
# creation was interrupted is made again rather than used half-done.
if [ ! -f "$prefix/.initialised" ]; then
  log "creating Wine prefix $prefix"
  rm -rf "$prefix"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.initialised"
fi

# In the background so that a signal reaches the trap at once instead of
# after CMD ends; stdin is passed on explicitly.
"$@" <&0 &
child=$!
set +e
wait "$child"
status=$?
set -e
child=
exit "$status"
