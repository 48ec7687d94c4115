#!/usr/bin/env bash
# Runs the README's test command (scripts/test.sh) the way a newcomer meets it:
# inside a brand-new minimal Debian 12 root made with debootstrap, holding
# nothing but the checkout, so that a dependency missing from
# scripts/install-deps.sh fails here rather than on somebody's machine.
#
# usage: scripts/fresh-root-test.sh [--user] [--keep] [--command CMD]
#   --user         run the tests as an ordinary user who installs through sudo
#   --keep         leave the root in place afterwards (its path is printed)
#   --command CMD  run CMD (in the checkout, with bash) instead of scripts/test.sh
# Needs root (or sudo) on the host: debootstrap, chroot and the mounts do.
#
# Cached between runs in $VELKOR_ROOT_CACHE (default /var/cache/velkor-root):
# a tarball of the bare root as debootstrap left it, apt's downloaded
# packages and the Windows build's libraries (scripts/windows-build.sh).
# Nothing installed is ever kept: every run unpacks the bare root anew.
# Environment variables named VELKOR_* are passed into the root.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VELKOR_ROOT_CACHE:-/var/cache/velkor-root}"
suite=bookworm
as_user=0 keep=0 command="bash scripts/test.sh"
while [ $# -gt 0 ]; do
  case "$1" in
    --user) as_user=1; shift ;;
    --keep) keep=1; shift ;;
    --command) command="$2"; shift 2 ;;
    *) echo "fresh-root-test: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ "$(id -u)" -ne 0 ]; then exec sudo --preserve-env=VELKOR_ROOT_CACHE,CI bash "$0" "$@"; fi
export VELKOR_INNER_COMMAND="$command"

source "$src/scripts/parts.sh"

# The host's own Debian mirror, as its apt sources name it.
host_mirror() {
  local uri
  uri="$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | grep -v security | head -1 | awk '{print $2}')"
  [ -n "$uri" ] || uri="$(grep -hs '^deb ' /etc/apt/sources.list | grep -v security | head -1 | awk '{print $2}')"
  if [ -z "$uri" ]; then
    echo "fresh-root-test: no Debian mirror found in /etc/apt/sources.list{,.d}" >&2
    return 1
  fi
  echo "$uri"
}

ensure_debootstrap() {
  command -v debootstrap >/dev/null && return
  echo "fresh-root-test: installing debootstrap on the host" >&2
  DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >&2
}

# The bare root as a tarball, made once.
bare_tarball() {
  local tarball="$cache/$suite-minbase.tar"
  if [ ! -s "$tarball" ]; then
    ensure_debootstrap
    local mirror scratch
    mirror="$(host_mirror)"
    scratch="$(mktemp -d "$cache/debootstrap.XXXXXX")"
    echo "fresh-root-test: debootstrap --variant=minbase $suite from the host's mirror" >&2
    debootstrap --variant=minbase "$suite" "$scratch" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
      { tail -20 "$cache/debootstrap.log" >&2; rm -rf "$scratch"; return 1; }
    tar -C "$scratch" -cf "$tarball.part" .
    mv "$tarball.part" "$tarball"
    rm -rf "$scratch"
  fi
  echo "$tarball"
}

root=""
mounted=()
cleanup() {
  local status=$?
  local m
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    m="${mounted[$i]}"
    umount -R "$m" 2>/dev/null || umount -lR "$m" 2>/dev/null || echo "fresh-root-test: could not unmount $m" >&2
  done
  if [ -n "$root" ] && [ "$keep" = 0 ]; then
    # Only once nothing is mounted below it: never delete through a mount.
    if grep -q " $root/" /proc/mounts; then
      echo "fresh-root-test: $root still has mounts; left in place" >&2
    else
      rm -rf "$root"
    fi
  elif [ -n "$root" ]; then
    echo "fresh-root-test: the root is kept at $root"
  fi
  report_parts fresh-root-test
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount_in() {  # mount_in TARGET MOUNT-ARGUMENTS...
  local target="$1"
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounted+=("$target")
}

# The bare root unpacked, told where the host's mirror is, with the host's
# /proc and /dev and apt's package cache from outside.
make_root() {
  mkdir -p "$cache/archives/partial"
  local tarball
  tarball="$(bare_tarball)"
  root="$(mktemp -d "${VELKOR_ROOT_DIR:-/var/tmp}/velkor-root.XXXXXX")"
  tar -C "$root" -xf "$tarball"
  chmod 755 "$root"  # it is /, which every user of the root must enter (tar gave it the scratch folder's 700)
  cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
  rm -f "$root/etc/apt/sources.list"
  mkdir -p "$root/etc/apt/sources.list.d" "$root/etc/apt/apt.conf.d"
  cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
  [ -f /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/sources.list"
  # Only the host's settings of how to fetch (proxies, date checks), none of its habits.
  grep -lsE '^[[:space:]]*Acquire' /etc/apt/apt.conf.d/* | while read -r f; do cp "$f" "$root/etc/apt/apt.conf.d/"; done
  echo 'APT::Keep-Downloaded-Packages "true";' >"$root/etc/apt/apt.conf.d/90velkor-keep-debs"
  mount_in "$root/proc" -t proc proc
  mount_in "$root/dev" --rbind /dev
  mount --make-rslave "$root/dev"
  mount_in "$root/var/cache/apt/archives" --bind "$cache/archives"
  # The Windows build's libraries, built from Debian's checked sources by
  # scripts/windows-build.sh, which starts them again when its recipe changes.
  mkdir -p "$cache/windows"
  mount_in "$root/var/cache/velkor-windows" --bind "$cache/windows"
}

# The checkout as git sees it (tracked files and untracked ones it does not
# ignore), so a developer's uncommitted work is tested too; no build trees.
copy_checkout() {
  mkdir -p "$root/velkor"
  (cd "$src" && { git ls-files -co --exclude-standard 2>/dev/null || find . -path ./build\* -prune -o -type f -print; } |
     tar --no-recursion -cf - -T -) | tar -C "$root/velkor" -xf -
}

# What the run inside sees of the host's environment.
inner_env() {
  local vars=("HOME=$1" "PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin" "LANG=C.UTF-8"
              "TERM=${TERM:-dumb}")
  [ -n "${CI:-}" ] && vars+=("CI=$CI")
  vars+=("VELKOR_WINDOWS_CACHE=/var/cache/velkor-windows")
  while IFS='=' read -r name value; do vars+=("$name=$value"); done < <(env | grep '^VELKOR_' | grep -v '^VELKOR_ROOT_' | grep -v '^VELKOR_WINDOWS_CACHE=')
  printf '%s\n' "${vars[@]}"
}

run_tests() {
  local -a envs
  if [ "$as_user" = 1 ]; then
    # An ordinary user who may use sudo, as on a desktop; apt itself is the only thing run through it.
    chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    chroot "$root" /usr/bin/env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends sudo >/dev/null
    chroot "$root" useradd -m -s /bin/bash newcomer
    echo 'newcomer ALL=(ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/newcomer"
    chmod 440 "$root/etc/sudoers.d/newcomer"
    chroot "$root" chown -R newcomer:newcomer /velkor /var/cache/velkor-windows
    mapfile -t envs < <(inner_env /home/newcomer)
    chroot "$root" /usr/sbin/runuser -u newcomer -- /usr/bin/env -i "${envs[@]}" USER=newcomer \
      bash -c 'cd /velkor && eval "$VELKOR_INNER_COMMAND"'
  else
    mapfile -t envs < <(inner_env /root)
    chroot "$root" /usr/bin/env -i "${envs[@]}" bash -c 'cd /velkor && eval "$VELKOR_INNER_COMMAND"'
  fi
}

mkdir -p "$cache"
part "fresh root" make_root
part "copy checkout" copy_checkout
echo "fresh-root-test: running '$command' in $root as $([ "$as_user" = 1 ] && echo newcomer || echo root)"
part "${command##* }" run_tests
