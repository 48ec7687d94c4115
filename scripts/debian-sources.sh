# Debian's own source packages for the cross builds (scripts/web-build.sh,
# scripts/windows-build.sh): sourced, not run. Expects SUDO to be set.

# Source packages need deb-src entries; added once, beside the binary ones.
ensure_deb_src() {
  if grep -rqs "^Types:.*deb-src\|^deb-src " /etc/apt/sources.list /etc/apt/sources.list.d/; then return; fi
  echo "debian-sources: adding deb-src entries for Debian's source packages"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      $SUDO tee /etc/apt/sources.list.d/velkor-deb-src.sources >/dev/null
  else
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      $SUDO tee /etc/apt/sources.list.d/velkor-deb-src.list >/dev/null
  fi
  $SUDO apt-get update -qq
}

# The source package's files, fetched one by one into the working folder and
# checked against their SHA256 sums, then unpacked there; the upstream
# signature is left out (the mirror may not carry it), so dpkg-source unpacks
# without checking it.
fetch_source() {
  ensure_deb_src
  # (asked from an empty folder: apt lists nothing it finds already downloaded)
  (cd "$(mktemp -d)" && apt-get source --print-uris "$1") | grep "^'" | grep -v "\.asc'" | while read -r uri name _size sum; do
    uri="${uri//\'/}"
    # A security update's upstream tarball stays in the main archive's pool.
    [ -f "$name" ] || curl -fsSL -o "$name" "$uri" ||
      curl -fsSL -o "$name" "${uri/debian-security\/pool\/updates\//debian/pool/}"
    echo "${sum#SHA256:}  $name" | sha256sum -c --quiet -
  done
  dpkg-source --no-check -x "$1"_*.dsc >/dev/null
}
