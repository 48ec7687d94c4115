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
# without checking it. The newest version the lists know comes first; where
# the mirror no longer holds one of its files (a security update superseded,
# a lagging mirror), the next older version is tried, so the build still gets
# sources that match apt's own checksums.
fetch_source() {
  ensure_deb_src
  local version
  for version in $(source_versions "$1"); do
    if fetch_source_version "$1" "$version"; then
      dpkg-source --no-check -x "$1"_"${version#*:}".dsc >/dev/null
      return
    fi
    echo "debian-sources: $1 $version is not complete on the mirror; trying an older version" >&2
  done
  echo "debian-sources: no version of $1's source could be fetched" >&2
  return 1
}

# source_versions PACKAGE: the source versions apt knows, newest first.
source_versions() {
  apt-cache showsrc "$1" | awk -v p="$1" '/^Package:/ {ours = ($2 == p)} ours && /^Version:/ {print $2}' |
    sort -u | sort -r -V
}

# fetch_source_version PACKAGE VERSION: its files, checked; fails if one is missing.
fetch_source_version() {
  local uris uri name _size sum
  # (asked from an empty folder: apt lists nothing it finds already downloaded)
  uris="$(cd "$(mktemp -d)" && apt-get source --print-uris "$1=$2" | grep "^'" | grep -v "\.asc'")" || return 1
  while read -r uri name _size sum; do
    uri="${uri//\'/}"
    # A security update's upstream tarball stays in the main archive's pool.
    if [ ! -f "$name" ] && ! curl -fsSL -o "$name" "$uri" 2>/dev/null &&
      ! curl -fsSL -o "$name" "${uri/debian-security\/pool\/updates\//debian/pool/}" 2>/dev/null; then
      rm -f "$name"
      return 1
    fi
    echo "${sum#SHA256:}  $name" | sha256sum -c --quiet - || { rm -f "$name"; return 1; }
  done <<<"$uris"
}
