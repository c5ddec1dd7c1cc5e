#!/usr/bin/env bash
# libjpeg for the Windows builds, from Debian's own libjpeg-turbo source
# package, cross-built with the mingw-w64 -win32 compilers: static, no SIMD
# (no nasm), the libjpeg 6b interface the host build gets from
# libjpeg62-turbo-dev. For size: optimised for it, no arithmetic decoding
# (no one writes such files), no unwind tables (nothing unwinds through
# libjpeg: its errors jump back to the caller). NO_GETENV: the decoding does
# not depend on the user's environment (JPEGMEM), and no scanf comes along.
#
#   scripts/libjpeg.sh fetch          the sources, once, into build/libjpeg-src
#   scripts/libjpeg.sh build ARCH     build/libjpeg-ARCH/{include,lib/libjpeg.a}
#                                     (ARCH i686 or x86_64; fetches when needed)
#
# Both steps do nothing when their result is already there (a build made by
# another version of this script is made again). apt-get source
# needs a deb-src entry; when the machine has none, one is derived from its
# own deb entries (the same archives, with Types: deb-src).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
src_cache=$top/build/libjpeg-src
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

source_dir() {
  find "$src_cache" -mindepth 2 -maxdepth 2 -name jpeglib.h -printf '%h\n' 2>/dev/null | sort | tail -1
}

# Prints the deb-src twin of each "Types: deb" stanza of a deb822 file, or of
# each "deb" line of a one-line sources list.
deb_src_of() {
  case $1 in
    *.sources)
      awk 'BEGIN { RS = ""; ORS = "\n\n" }
           /(^|\n)Types:[ \t]*deb([ \t]|\n|$)/ && !/(^|\n)Types:[^\n]*deb-src/ {
             sub(/Types:[ \t]*deb/, "Types: deb-src"); print }' "$1" ;;
    *) awk '$1 == "deb" { $1 = "deb-src"; print }' "$1" ;;
  esac
}

ensure_deb_src() {
  local f have=0
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if grep -qE '^(deb-src[[:space:]]|Types:.*deb-src)' "$f"; then have=1; fi
  done
  [ "$have" = 0 ] || return 0
  local out=/etc/apt/sources.list.d/deb-src-from-deb.sources tmp
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && deb_src_of "$f" >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    # One-line entries go into a .list file of their own.
    deb_src_of /etc/apt/sources.list >"$tmp.list"
    [ -s "$tmp.list" ] && $SUDO cp "$tmp.list" /etc/apt/sources.list.d/deb-src-from-deb.list
    rm -f "$tmp.list"
  fi
  if [ -s "$tmp" ]; then $SUDO cp "$tmp" "$out"; fi
  rm -f "$tmp"
  # A mirror mid-sync may fail an index that has nothing to do with sources.
  $SUDO apt-get update -qq || echo "libjpeg.sh: apt-get update reported errors; trying with the lists it has"
}

fetch() {
  [ -z "$(source_dir)" ] || return 0
  ensure_deb_src
  mkdir -p "$src_cache"
  (cd "$src_cache" && apt-get source -qq libjpeg-turbo >/dev/null)
  [ -n "$(source_dir)" ] || { echo "libjpeg.sh: no libjpeg-turbo sources in $src_cache" >&2; exit 1; }
}

build() {
  local arch=$1
  case $arch in
    i686 | x86_64) ;;
    *) echo "libjpeg.sh: unknown architecture '$arch'" >&2; exit 2 ;;
  esac
  local prefix=$top/build/libjpeg-$arch stamp
  stamp=$(sha1sum <"$0" | cut -c1-40)
  if [ -f "$prefix/lib/libjpeg.a" ] && [ "$(cat "$prefix/stamp" 2>/dev/null)" = "$stamp" ]; then
    # Newer than the script, so that the build does not ask again.
    touch "$prefix/lib/libjpeg.a" "$prefix/include/jpeglib.h"
    return 0
  fi
  fetch
  local src work
  src=$(source_dir)
  work=$prefix/work
  rm -rf "$work"
  cmake -S "$src" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
        -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF -DWITH_JPEG7=OFF -DWITH_ARITH_ENC=OFF -DWITH_ARITH_DEC=OFF \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_C_FLAGS="-D_WIN32_WINNT=0x0500 -DNO_GETENV -fno-asynchronous-unwind-tables" \
        >"$prefix.log" 2>&1 ||
    { cat "$prefix.log" >&2; exit 1; }
  ninja -C "$work" -j"${JOBS:-2}" jpeg-static >>"$prefix.log" 2>&1 || { cat "$prefix.log" >&2; exit 1; }
  mkdir -p "$prefix/include" "$prefix/lib"
  cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$work/jconfig.h" "$prefix/include/"
  cp "$work/libjpeg.a" "$prefix/lib/libjpeg.a"
  rm -rf "$work"
  echo "$stamp" >"$prefix/stamp"
}

case ${1:-} in
  fetch) fetch ;;
  build) [ $# = 2 ] || { echo "usage: libjpeg.sh build i686|x86_64" >&2; exit 2; }; build "$2" ;;
  *) echo "usage: libjpeg.sh fetch | build i686|x86_64" >&2; exit 2 ;;
esac
