#!/usr/bin/env bash
# Packs the Windows build (scripts/windows-build.sh, made first where it is
# missing) two ways, into build-win/:
#   velkor-<version>-windows-x64.zip        the folder to unpack and run anywhere
#   velkor-<version>-windows-x64-setup.exe  an installer (NSIS): Program Files,
#                                           a Start-menu entry, an uninstaller
# Both hold the programs, the DLLs they load, the stand-in data set in
# standin\, README.md and the licences of everything shipped.
# usage: scripts/windows-package.sh   (VELKOR_WINDOWS_BUILD chooses another build folder)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${VELKOR_WINDOWS_BUILD:-$root/build-win}"
[ $# -eq 0 ] || { echo "windows-package: no arguments expected" >&2; exit 2; }

[ -f "$out/velkor.exe" ] || bash "$root/scripts/windows-build.sh"
bash "$root/scripts/install-deps.sh" --windows
cmake --build "$out" -j"$(nproc)"

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/CMakeCache.txt")"
[ -n "$version" ] || { echo "windows-package: no project version in $out/CMakeCache.txt" >&2; exit 1; }
name="velkor-$version-windows-x64"
staging="$out/staging"
rm -rf "$staging"
cmake --install "$out" --prefix "$staging/$name" >/dev/null

# The folder must run by itself: every DLL a program imports is either
# shipped beside it or one of Windows' own.
windows_own='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|imm32|winmm|version|setupapi|cfgmgr32|msvcrt|opengl32|glu32|ws2_32)\.dll$'
for program in "$staging/$name"/*.exe; do
  for dll in $(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p'); do
    if ! echo "$dll" | grep -qiE "$windows_own" && [ ! -f "$staging/$name/$dll" ]; then
      echo "windows-package: $(basename "$program") needs $dll, which is neither shipped nor part of Windows" >&2
      exit 1
    fi
  done
done

zip="$out/$name.zip"
rm -f "$zip"
(cd "$staging" && zip -q -r -X "$zip" "$name")
echo "windows-package: $zip ($(du -k "$zip" | cut -f1) KiB)"

# The uninstaller deletes exactly the top-level files the installer wrote.
files="$staging/files.nsh"
(cd "$staging/$name" && find . -maxdepth 1 -type f -printf 'Delete "$INSTDIR\\%f"\n' | sort) >"$files"
setup="$out/$name-setup.exe"
rm -f "$setup"
makensis -V2 -DVERSION="$version" -DSOURCE="$staging/$name" -DFILES="$files" \
  -DICON="$out/dist/windows/velkor.ico" -DOUTFILE="$setup" "$root/dist/windows/installer.nsi"
echo "windows-package: $setup ($(du -k "$setup" | cut -f1) KiB)"
