#!/usr/bin/env bash
# Builds velkor.exe and velkor-tools.exe for 64-bit Windows into build-win/,
# with Debian's mingw-w64. Installs what it needs through
# install-deps.sh --windows, builds SDL2, libmpg123, libjpeg-turbo, zlib,
# libpng and libmp3lame from Debian's own source packages once into a cache,
# then configures a CMake tree with the cross toolchain. The programs' icon
# is drawn by the native tools, so the native build (build/) is made first
# where it is missing.
# usage: scripts/windows-build.sh
# (VELKOR_WINDOWS_BUILD, _CACHE and VELKOR_NATIVE_BUILD choose other folders.)
# The libraries are built again when this script, the source fetching or the
# cross compiler changes.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${VELKOR_WINDOWS_BUILD:-$root/build-win}"
cache="${VELKOR_WINDOWS_CACHE:-$HOME/.cache/velkor-windows}"
native="${VELKOR_NATIVE_BUILD:-$root/build}"
host=x86_64-w64-mingw32
VELKOR_WINDOWS_CMAKE_ARGS=(-DVELKOR_WARNINGS_AS_ERRORS=ON)
[ $# -eq 0 ] || { echo "windows-build: no arguments expected" >&2; exit 2; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
bash "$root/scripts/install-deps.sh" --windows
. "$root/scripts/debian-sources.sh"

prefix="$cache/prefix"
# What is cached was built by this recipe: another one (a changed flag, a
# newer source, another compiler) starts the cache again.
recipe="$( (cat "$root/scripts/windows-build.sh" "$root/scripts/debian-sources.sh" "$root/cmake/mingw-w64-x86_64.cmake"
           $host-gcc-posix --version | head -1) | sha256sum | cut -c1-16)"
if [ "$(cat "$cache/recipe" 2>/dev/null)" != "$recipe" ]; then
  [ -d "$prefix" ] && echo "windows-build: the cached libraries were built otherwise; building them again"
  rm -rf "$prefix" "$cache/src"
fi
mkdir -p "$cache/src" "$prefix/lib/pkgconfig" "$prefix/include" "$prefix/bin"
echo "$recipe" >"$cache/recipe"
export CC=$host-gcc-posix CXX=$host-g++-posix
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
export VELKOR_WINDOWS_PREFIX="$prefix"

# quietly LOG COMMAND...: runs COMMAND with its output in LOG, shown on failure.
quietly() {
  local log="$1"; shift
  if ! "$@" >"$log" 2>&1; then tail -40 "$log" >&2; echo "windows-build: failed: $*" >&2; return 1; fi
}

# fresh_source PACKAGE: an unpacked copy of Debian's source of PACKAGE in the
# current folder (the cache's src/), the folder's name printed.
fresh_source() {
  (cd "$cache/src" && rm -rf "$1"-*/ && fetch_source "$1")
}

cmake_dependency() {  # NAME SOURCE-PACKAGE CMAKE-ARGS...
  local name="$1" package="$2"; shift 2
  fresh_source "$package"
  local dir
  dir="$(find "$cache/src" -maxdepth 1 -type d -name "$package-*" | head -1)"
  quietly "$cache/$name.log" cmake -S "$dir" -B "$dir/build-win" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" "$@"
  quietly "$cache/$name.log" cmake --build "$dir/build-win" -j2 --target install
  echo "windows-build: $name built into $prefix"
}

autotools_dependency() {  # NAME SOURCE-PACKAGE CONFIGURE-ARGS...
  local name="$1" package="$2"; shift 2
  fresh_source "$package"
  local dir
  dir="$(find "$cache/src" -maxdepth 1 -type d -name "$package-*" | head -1)"
  # lame 3.100 lists in its DLL's exports a function it no longer has.
  if [ "$package" = lame ]; then sed -i '/^lame_init_old$/d' "$dir/include/libmp3lame.sym"; fi
  (cd "$dir" && quietly "$cache/$name.log" ./configure --host=$host --prefix="$prefix" "$@" &&
    quietly "$cache/$name.log" make -j2 && quietly "$cache/$name.log" make install)
  echo "windows-build: $name built into $prefix"
}

# zlib and libpng for the tools' PNG frames, libjpeg-turbo: static, inside the programs.
if [ ! -f "$prefix/lib/libz.a" ]; then
  fresh_source zlib
  # (Debian's tarball leaves out zlib's win32 makefile; the library is its C files.)
  (cd "$cache/src"/zlib-*/ && quietly "$cache/zlib.log" $CC -O2 -c adler32.c compress.c crc32.c deflate.c \
    gzclose.c gzlib.c gzread.c gzwrite.c infback.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c &&
    quietly "$cache/zlib.log" $host-ar rcs libz.a ./*.o && cp libz.a "$prefix/lib/" && cp zlib.h zconf.h "$prefix/include/")
  echo "windows-build: zlib built into $prefix"
fi
if [ ! -f "$prefix/lib/libpng16.a" ]; then
  cmake_dependency libpng libpng1.6 -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
fi
if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  cmake_dependency libjpeg-turbo libjpeg-turbo -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
fi
# libmpg123 and libmp3lame are LGPL: shipped as DLLs beside the programs.
if [ ! -f "$prefix/bin/libmpg123-0.dll" ]; then
  autotools_dependency mpg123 mpg123 --enable-shared --disable-static --enable-modules=no \
    --with-default-audio=dummy --with-audio=dummy --disable-components --enable-libmpg123
fi
if [ ! -f "$prefix/bin/libmp3lame-0.dll" ]; then
  autotools_dependency lame lame --enable-shared --disable-static --disable-frontend --disable-gtktest
fi
# SDL2 as its DLL, as Windows programs ship it.
if [ ! -f "$prefix/bin/SDL2.dll" ]; then
  cmake_dependency sdl2 libsdl2 -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL2_DISABLE_SDL2MAIN=OFF
fi
# The programs choose their own subsystem (GUI for the show, console for the
# tools) and have their own main(): SDL's DLL alone, without SDL2main and -mwindows.
sed -i -e 's/^Libs: .*/Libs: -L${libdir} -lSDL2/' -e 's/ -Dmain=SDL_main//' "$prefix/lib/pkgconfig/sdl2.pc"
# libpng is linked statically, so its users link zlib too.
zlib_version="$(sed -n 's/^#define ZLIB_VERSION "\(.*\)"$/\1/p' "$prefix/include/zlib.h")"
cat >"$prefix/lib/pkgconfig/zlib.pc" <<PC
Name: zlib
Description: zlib, static
Version: $zlib_version
Libs: -L$prefix/lib -lz
Cflags: -I$prefix/include
PC
sed -i 's/^Requires.private: zlib$/Requires: zlib/' "$prefix/lib/pkgconfig/libpng16.pc"
# Windows' own GLU, under the name the project asks pkg-config for.
cat >"$prefix/lib/pkgconfig/glu.pc" <<PC
Name: glu
Description: Windows' own GLU (glu32.dll)
Version: 1.3
Libs: -lglu32
PC

# What ships beside the programs: the DLLs they load, and the licence of
# every library inside them or beside them (Debian's copyright files, which
# name each part's licence and holders).
runtime="$prefix/bin/SDL2.dll;$prefix/bin/libmpg123-0.dll;$prefix/bin/libmp3lame-0.dll"
runtime="$runtime;/usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll"
licences="$prefix/share/licences"
mkdir -p "$licences"
for package in libsdl2 mpg123 lame libjpeg-turbo libpng1.6 zlib; do
  cp "$(find "$cache/src" -maxdepth 1 -type d -name "$package-*" | head -1)/debian/copyright" "$licences/$package.txt"
done
cp /usr/share/doc/mingw-w64-common/copyright "$licences/mingw-w64-runtime.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/gcc-runtime.txt"

# The icon's pictures and the shipped stand-in set come from the native tools.
if [ ! -x "$native/velkor-tools" ]; then
  cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$native" -j2 --target velkor-tools >/dev/null
fi

export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig"
export PKG_CONFIG_SYSROOT_DIR=""
cmake -S "$root" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DVELKOR_NATIVE_TOOLS="$native/velkor-tools" -DBUILD_TESTING=OFF \
  -DVELKOR_WINDOWS_RUNTIME="$runtime" -DVELKOR_WINDOWS_LICENCES="$licences" "${VELKOR_WINDOWS_CMAKE_ARGS[@]}" >/dev/null
cmake --build "$out" -j2
# The DLLs beside the programs in the build tree too, so they run from there.
IFS=';' read -r -a dlls <<<"$runtime"
cp "${dlls[@]}" "$out/"
echo "windows-build: $out/velkor.exe and $out/velkor-tools.exe"
