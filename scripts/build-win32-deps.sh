#!/usr/bin/env bash
# Cross-builds static Win32 (i686) libjpeg-turbo, libpng, libtiff and
# GoogleTest from Debian's sources into a cached prefix, and prints that
# prefix as the last line on stdout; everything else goes to stderr.
#
# The prefix is named after everything that goes into it (source package
# versions, compiler and runtime packages, the toolchain file, REVISION), so
# a repeated run finds it and returns at once, and any change builds a new
# one beside it. Bump REVISION whenever this script changes what it builds.
set -euo pipefail

REVISION=1
SUITE=bookworm
SRC_PKGS=(libjpeg-turbo libpng1.6 tiff)
# Build inputs whose versions are part of the cache key.
KEY_PKGS=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-i686-dev
  libz-mingw-w64-dev googletest)
HOST_PKGS=("${KEY_PKGS[@]}" binutils-mingw-w64-i686 dpkg-dev bzip2 xz-utils
  nasm cmake ninja-build)
JOBS=2

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
toolchain=$root/cmake/mingw-i686.cmake
cache=${DROPSHRINK_CACHE:-/var/cache/dropshrink}

# Keep stdout for the one line callers capture.
exec 3>&1 1>&2
log() { printf '[win32-deps] %s\n' "$*" >&2; }
die() { log "error: $*"; exit 1; }

ensure_host_packages() {
  local missing
  missing=$(comm -23 <(printf '%s\n' "${HOST_PKGS[@]}" | sort -u) \
    <(dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' "${HOST_PKGS[@]}" 2>/dev/null \
      | sed -n 's/^ii *//p' | sort -u))
  [ -z "$missing" ] && return 0
  [ "$(id -u)" = 0 ] || die "missing packages (install them as root):" $missing
  log "installing:" $missing
  export DEBIAN_FRONTEND=noninteractive
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null \
    || { apt-get update -qq && apt-get install -y -qq --no-install-recommends $missing >/dev/null; }
}

# The .dsc file names of the source packages apt would fetch. Asking apt
# takes seconds, so the answer is kept until the package lists change.
resolve_sources() {
  local lists fingerprint memo=$cache/.win32-deps-sources out
  lists=$(find /var/lib/apt/lists -maxdepth 1 -name '*_Sources*' -printf '%f %s %T@\n' | sort)
  if [ -z "$lists" ]; then
    log "no source package lists; running apt-get update"
    apt-get update -qq
    lists=$(find /var/lib/apt/lists -maxdepth 1 -name '*_Sources*' -printf '%f %s %T@\n' | sort)
    [ -n "$lists" ] || die "no deb-src entries in the apt sources; run scripts/setup.sh first"
  fi
  fingerprint=$(printf '%s\n' "$SUITE ${SRC_PKGS[*]}" "$lists" | sha256sum | cut -c1-16)
  if [ -f "$memo" ] && [ "$(head -n1 "$memo")" = "$fingerprint" ]; then
    tail -n +2 "$memo"
    return 0
  fi
  out=$(apt-get source --print-uris "${SRC_PKGS[@]/%//$SUITE}" 2>/dev/null \
    | awk '$1 ~ /^\x27/ && $2 ~ /\.dsc$/ { print $2 }') || true
  [ "$(printf '%s\n' "$out" | sed '/^$/d' | wc -l)" = "${#SRC_PKGS[@]}" ] \
    || die "apt cannot find the sources of ${SRC_PKGS[*]} in $SUITE (run scripts/setup.sh)"
  mkdir -p "$cache"
  printf '%s\n%s\n' "$fingerprint" "$out" > "$memo.$$" && mv -f "$memo.$$" "$memo"
  printf '%s\n' "$out"
}

# name=version lines for the cache key and the prefix's manifest.
describe_inputs() {
  echo "revision=$REVISION"
  printf 'source=%s\n' "${dscs[@]}"
  dpkg-query -W -f='${Package}=${Version}\n' "${KEY_PKGS[@]}"
  echo "toolchain=$(sha256sum < "$toolchain" | cut -c1-16)"
}

run_logged() {
  local name=$1; shift
  if ! "$@" >>"$logs/$name.log" 2>&1; then
    log "$name failed: $*"
    tail -n 60 "$logs/$name.log" >&2
    exit 1
  fi
}

# cmake_build NAME SOURCE_DIR [CACHE_ARGS...]: configure, build and install
# one package into the staged prefix.
cmake_build() {
  local name=$1 src=$2; shift 2
  local bld=$work/build/$name
  log "building $name"
  run_logged "$name" cmake -S "$src" -B "$bld" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DDROPSHRINK_WIN32_DEPS="$stage" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$final" \
    -DBUILD_SHARED_LIBS=OFF \
    "$@"
  run_logged "$name" cmake --build "$bld" -j "$JOBS"
  DESTDIR=$work/stage run_logged "$name" cmake --install "$bld"
}

unpack() {
  local dsc=$1 dir=$2
  run_logged unpack dpkg-source --no-copy -x "$cache/src/$dsc" "$dir"
}

build_all() {
  mkdir -p "$cache/src"
  local need=0 d
  for d in "${dscs[@]}"; do [ -f "$cache/src/$d" ] || need=1; done
  if [ "$need" = 1 ]; then
    log "downloading sources: ${SRC_PKGS[*]} ($SUITE)"
    (cd "$cache/src" && apt-get source --download-only "${SRC_PKGS[@]/%//$SUITE}" >/dev/null 2>&1) \
      || die "apt-get source failed"
  fi

  unpack "${dscs[0]}" "$work/src/libjpeg-turbo"
  unpack "${dscs[1]}" "$work/src/libpng"
  unpack "${dscs[2]}" "$work/src/tiff"

  cmake_build libjpeg-turbo "$work/src/libjpeg-turbo" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON
  if grep -q 'SIMD extensions: i386 (WITH_SIMD = 1)' "$logs/libjpeg-turbo.log"; then
    log "libjpeg-turbo: SIMD extensions on"
  else
    log "libjpeg-turbo: SIMD extensions off: $(grep -m1 'SIMD extensions' "$logs/libjpeg-turbo.log" || true)"
  fi

  cmake_build libpng "$work/src/libpng" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    -Dld-version-script=OFF

  cmake_build tiff "$work/src/tiff" \
    -Dzlib=ON -Djpeg=ON -Dold-jpeg=ON -Djpeg12=OFF -Dpixarlog=ON \
    -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF \
    -Dcxx=OFF -Dtiff-opengl=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF \
    -Dtiff-contrib=OFF -Dtiff-docs=OFF -Dsphinx=OFF -Dld-version-script=OFF
  grep -q '#define JPEG_SUPPORT 1' "$stage/include/tiffconf.h" \
    && grep -q '#define ZIP_SUPPORT 1' "$stage/include/tiffconf.h" \
    || die "libtiff was configured without its JPEG or Deflate codec"

  # MinGW has no pthread support in GoogleTest; it uses Win32 primitives.
  cmake_build googletest /usr/src/googletest \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON

  # Programs and manuals are of no use to a consumer of the static libraries.
  rm -rf "$stage/bin" "$stage/share/man" "$stage/share/doc"
  local leak
  leak=$(grep -rIl -- "$work" "$stage" || true)
  [ -z "$leak" ] || die "build paths leaked into: $leak"
}

main() {
  ensure_host_packages
  local all p d
  all=$(resolve_sources)
  # One .dsc per package, in the order of SRC_PKGS.
  dscs=()
  for p in "${SRC_PKGS[@]}"; do
    d=$(printf '%s\n' "$all" | grep -m1 "^${p}_") || die "apt offers no source for $p"
    dscs+=("$d")
  done
  local inputs key
  inputs=$(describe_inputs)
  key=r$REVISION-$(printf '%s\n' "$inputs" | sha256sum | cut -c1-12)
  final=$cache/win32-deps-$key
  if [ -d "$final" ]; then
    echo "$final" >&3
    return 0
  fi

  mkdir -p "$cache"
  exec 9>"$cache/.win32-deps.lock"
  if ! flock -n 9; then
    log "waiting for another build of the deps to finish"
    flock 9
  fi
  if [ -d "$final" ]; then
    echo "$final" >&3
    return 0
  fi
  # Leftovers of builds that were killed; no other build runs while we hold
  # the lock.
  rm -rf "$cache"/.win32-deps-build.*

  local start=$SECONDS
  work=$(mktemp -d "$cache/.win32-deps-build.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  logs=$work/logs
  stage=$work/stage$final
  mkdir -p "$logs" "$work/src" "$stage"
  log "building $final"
  printf '%s\n' "$inputs" | sed 's/^/  /' >&2

  build_all
  printf '%s\n' "$inputs" > "$stage/MANIFEST"
  # A rename on the same file system: the prefix appears whole or not at all.
  mv -T "$stage" "$final"
  log "done in $((SECONDS - start)) s"
  echo "$final" >&3
}

main "$@"
