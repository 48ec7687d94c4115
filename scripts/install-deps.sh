#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, run and capture.
# This is the one place that lists the project's dependencies.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev            # window, GL context, events, message boxes, audio output
  libpulse-dev           # the sound server's word on the output delay, for the music clock
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0   # OpenGL 1.x, GLU, Mesa software rendering
  libjpeg62-turbo-dev    # JPEG decoding and encoding
  libmpg123-dev          # MP3 decoding
  libmp3lame-dev         # MP3 encoding of the stand-in music
  libpng-dev             # PNG frames from the offline renderer
  libgtest-dev libbenchmark-dev
  ffmpeg                 # video capture and its tests
  xvfb xauth libx11-dev libxfixes-dev  # a virtual display for the window tests, and a client to drive it
  xfonts-base            # X fonts, as every desktop has: the window tests see SDL's real message boxes
  libxtst-dev            # XTest: the Wayland tests type into the compositor's X window as a person would
  x11-xserver-utils      # xrdb: an X screen that says it is scaled (Xft.dpi)
  weston                 # a Wayland compositor nested in Xvfb, for the player's Wayland tests
  libwayland-dev         # the compositor's seat asked before SDL's Wayland start-up, which older SDL cannot survive without one
  file                   # cpack's Debian generator reads the programs' kinds with it
  pulseaudio pulseaudio-utils  # a sound server of the tests' own, whose device they can take away
  clang libclang-rt-dev  # the loader's fuzz target (libFuzzer)
  desktop-file-utils appstream man-db dpkg-dev  # checks of the installed files, package dependencies
)
for flag in "$@"; do
  case "$flag" in
    # scripts/package.sh checks the package it builds.
    --packaging) PACKAGES+=(lintian) ;;
    # scripts/web-build.sh: Debian's emscripten, the tools that fetch and unpack
    # Debian's sources, and chromium for the browser tests.
    --web) PACKAGES+=(emscripten dpkg-dev python3 chromium curl) ;;
    # scripts/windows-build.sh and the Wine tests: the mingw-w64 cross compilers
    # (posix threads), the tools that fetch, unpack and build Debian's sources,
    # Wine to run the programs, icotool for the programs' icon, and NSIS and zip
    # for the packages.
    --windows) PACKAGES+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                          mingw-w64-tools dpkg-dev curl nasm autoconf automake libtool make
                          icoutils wine wine64 nsis zip unzip) ;;
    *) echo "install-deps: unknown option $flag (--packaging, --web, --windows)" >&2; exit 2 ;;
  esac
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
