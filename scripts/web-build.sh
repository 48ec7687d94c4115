#!/usr/bin/env bash
# Builds the show for web browsers into build-web/: index.html, the wasm
# module and its loader, and the stand-in data set packed beside them.
# Installs what it needs through install-deps.sh --web, builds
# libmpg123 and libjpeg-turbo from Debian's own sources once into a cache,
# then configures a second CMake tree with VELKOR_WEB=ON.
# usage: scripts/web-build.sh [--data DIR]   (DIR: the data set to pack; default: the stand-in set)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-web"
cache="${VELKOR_WEB_CACHE:-$HOME/.cache/velkor-web}"
data=""
while [ $# -gt 0 ]; do
  case "$1" in
    --data) data="$(cd "$2" && pwd)"; shift 2 ;;
    *) echo "web-build: unknown argument $1" >&2; exit 2 ;;
  esac
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# Debian's emscripten runs offline with its node modules on this path, and its
# node must not try to fetch anything.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch

bash "$root/scripts/install-deps.sh" --web

. "$root/scripts/debian-sources.sh"

prefix="$cache/prefix"
mkdir -p "$cache/src" "$prefix"

# libmpg123 alone, generic C decoder (no assembly in wasm), static.
if [ ! -f "$prefix/lib/libmpg123.a" ]; then
  (
    cd "$cache/src"
    rm -rf mpg123-*
    fetch_source mpg123
    cd mpg123-*/
    emconfigure ./configure --prefix="$prefix" --disable-shared --enable-static --enable-modules=no \
      --with-default-audio=dummy --with-audio=dummy --with-cpu=generic_fpu --disable-largefile >/dev/null
    emmake make -j2 src/libmpg123/libmpg123.la >/dev/null
    mkdir -p "$prefix/lib" "$prefix/include"
    cp src/libmpg123/.libs/libmpg123.a "$prefix/lib/"
    cp src/libmpg123/mpg123.h src/libmpg123/fmt123.h "$prefix/include/"
  )
  echo "web-build: libmpg123 built into $prefix"
fi

# libjpeg-turbo without SIMD or shared libraries; wasm32 has 4-byte size_t and long.
if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  (
    cd "$cache/src"
    rm -rf libjpeg-turbo-*
    fetch_source libjpeg-turbo
    cd libjpeg-turbo-*/
    emcmake cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DCMAKE_INSTALL_LIBDIR=lib -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
      -DSIZE_T=4 -DUNSIGNED_LONG=4 >/dev/null
    cmake --build build -j2 --target jpeg-static >/dev/null
    mkdir -p "$prefix/lib" "$prefix/include"
    cp build/libjpeg.a "$prefix/lib/"
    cp jpeglib.h jerror.h jmorecfg.h build/jconfig.h "$prefix/include/"
  )
  echo "web-build: libjpeg-turbo built into $prefix"
fi

# The data set to pack: the stand-in set, made with the native tools when missing.
if [ -z "$data" ]; then
  data="$root/build/standin-data"
  if [ ! -f "$data/mirok6.mp3" ]; then
    if [ ! -x "$root/build/velkor-tools" ]; then
      cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
      cmake --build "$root/build" -j2 --target velkor-tools >/dev/null
    fi
    "$root/build/velkor-tools" make-data "$data" >/dev/null
  fi
fi

emcmake cmake -S "$root" -B "$out" -DVELKOR_WEB=ON -DCMAKE_BUILD_TYPE=Release \
  -DVELKOR_WEB_PREFIX="$prefix" -DVELKOR_WEB_DATA="$data" >/dev/null
cmake --build "$out" -j2
echo "web-build: $out/index.html; the page downloads $(du -ch --apparent-size "$out"/index.* | tail -1 | cut -f1)"
