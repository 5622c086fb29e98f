#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, as root. Idempotent:
# packages already present are not asked for again.
set -euo pipefail

log() { printf '[setup] %s\n' "$*" >&2; }

need_root() {
  if [ "$(id -u)" != 0 ]; then
    log "must run as root to install packages"; exit 1
  fi
}

# Source entries for the archive this machine already uses, so that
# `apt-get source` can fetch the image libraries for the Win32 build.
enable_deb_src() {
  local out=/etc/apt/sources.list.d/dropshrink-src.sources
  [ -f "$out" ] && return 0
  local src=/etc/apt/sources.list.d/debian.sources
  if [ -f "$src" ]; then
    sed -n '/^Types:/,$p' "$src" | sed 's/^Types:.*/Types: deb-src/' > "$out"
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      > /etc/apt/sources.list.d/dropshrink-src.list
    : > "$out"
  fi
  return 1
}

NATIVE_PKGS=(build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev
  googletest libgtest-dev libjpeg-turbo-progs imagemagick
  clang libclang-rt-14-dev llvm dpkg-dev)
WIN_PKGS=(g++-mingw-w64-i686 libz-mingw-w64-dev nasm wine wine32:i386
  xvfb xauth xdotool x11-apps fonts-wqy-microhei locales)

missing() {
  local p out=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || out+=("$p")
  done
  [ "${#out[@]}" -eq 0 ] || printf '%s\n' "${out[@]}"
}

main() {
  local updated=0
  need_root
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386; updated=1
  fi
  enable_deb_src || updated=1
  mapfile -t todo < <(missing "${NATIVE_PKGS[@]}" "${WIN_PKGS[@]}")
  if [ "${#todo[@]}" -gt 0 ] || [ "$updated" = 1 ]; then
    log "apt-get update"
    apt-get update -qq
  fi
  if [ "${#todo[@]}" -gt 0 ]; then
    log "installing: ${todo[*]}"
    apt-get install -y -qq --no-install-recommends "${todo[@]}" >/dev/null
  fi
  # The Win32 tests run with a Chinese locale so Wine's ANSI code page is 936.
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    log "generating zh_CN.UTF-8 locale"
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
}

main "$@"
