#!/usr/bin/env bash
# The installation: installed into a scratch prefix, the player finds its data
# from anywhere in the documented order; the desktop entry, metainfo and
# manual pages pass their validators; the Debian package holds the same files,
# names its dependencies, installs into a scratch dpkg root and is removed
# from it without a trace.
# usage: tests/dist/test_install.sh BUILD_DIR VERSION
set -uo pipefail
build="$1" version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_line() { grep -qF -- "$2" <<<"$1" || fail "no \"$2\" in: $1"; }

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install"
usr="$work/root/usr"
for f in bin/velkor bin/velkor-tools share/man/man6/velkor.6.gz share/man/man1/velkor-tools.1.gz \
         share/applications/velkor.desktop share/metainfo/io.github.velkor.velkor.metainfo.xml \
         share/icons/hicolor/64x64/apps/velkor.png share/icons/hicolor/256x256/apps/velkor.png \
         share/doc/velkor/README.md share/doc/velkor/LICENSE share/doc/velkor/copyright \
         share/velkor/standin/mirok6.mp3 share/velkor/standin/data/part01_max.bin; do
  [ -f "$usr/$f" ] || fail "not installed: $f"
done

# The installed player, headless and quick, from a directory without data.
# play [NAME=VALUE ...] [-- ARGUMENTS]
play() {
  local vars=() args=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do vars+=("$1"); shift; done
  [ $# -gt 0 ] && shift && args=("$@")
  (cd "$work/elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME SDL_VIDEODRIVER=offscreen \
     SDL_AUDIODRIVER=dummy HOME="$work/home" "${vars[@]}" "$usr/bin/velkor" --windowed --step-ms 2000 "${args[@]}" 2>&1)
}
mkdir -p "$work/elsewhere" "$work/home" "$work/mine"
cp -r "$usr/share/velkor/standin/." "$work/mine/"
out="$(play)" || fail "the installed player failed: $out"
expect_line "$out" "data from $usr/share/velkor/standin (the installed stand-in set)"
out="$(play VELKOR_DATA="$work/mine")" || fail "VELKOR_DATA run failed: $out"
expect_line "$out" "data from $work/mine (VELKOR_DATA)"
out="$(play VELKOR_DATA="$work/elsewhere" -- --data "$work/mine")" || fail "--data run failed: $out"
expect_line "$out" "data from $work/mine (--data)"
mkdir -p "$work/home/.local/share" && ln -s "$work/mine" "$work/home/.local/share/velkor"
out="$(play)" || fail "user data run failed: $out"
expect_line "$out" "data from $work/home/.local/share/velkor (the user's data directory)"
expect_line "$("$usr/bin/velkor" --version)" "velkor $version"

desktop-file-validate "$usr/share/applications/velkor.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/io.github.velkor.velkor.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate"
for page in man6/velkor.6.gz man1/velkor-tools.1.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The package, installed into and removed from a dpkg root of its own.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null 2>&1) || fail "cpack"
deb="$(ls "$work"/pkg/velkor_*.deb 2>/dev/null | head -1)"
if [ -n "$deb" ]; then
  info="$(dpkg-deb -I "$deb")"
  expect_line "$info" "Section: video"
  expect_line "$info" "Version: $version"
  for dep in libsdl2 libmpg123 libjpeg62-turbo libglu1; do expect_line "$info" "$dep"; done
  contents="$(dpkg-deb -c "$deb")"
  for f in ./usr/bin/velkor ./usr/share/velkor/standin/mirok6.mp3 ./usr/share/applications/velkor.desktop; do
    expect_line "$contents" "$f"
  done
  root="$work/dpkgroot"
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" && touch "$root/var/lib/dpkg/status"
  dpkg --root="$root" --force-depends --force-not-root -i "$deb" >/dev/null 2>&1 || fail "dpkg -i"
  "$root/usr/bin/velkor" --version | grep -qF "velkor $version" || fail "the packaged velkor --version"
  dpkg --root="$root" --force-not-root --purge velkor >/dev/null 2>&1 || fail "dpkg --purge"
  left="$(find "$root" -path "$root/var" -prune -o -type f -print)"
  [ -z "$left" ] || fail "left behind after removal: $left"
else
  fail "no package was built"
fi

[ "$failures" -eq 0 ] && echo "install: all checks passed"
exit $((failures > 0))
