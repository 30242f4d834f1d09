#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs `make TARGET` inside a clean Debian root of another release, on a
# fresh clone of this repository's committed HEAD, so the game is built and
# tested there as on a new machine of that release:
#   scripts/in-debian.sh trixie test
# The root is made once with `debootstrap --variant=minbase` and kept, with
# the packages `make` installed in it and apt's downloads, under
# $QUIZZOLA_ROOTS/RELEASE (default /var/cache/quizzola/roots/RELEASE), so a
# second run only builds and tests; delete that folder to start from a bare
# root again. debootstrap fetches from $QUIZZOLA_MIRROR (default
# http://deb.debian.org/debian). Runs as root (debootstrap, mount, chroot).
# Exits with make's status. QUIZZOLA_BRING_BACK names a folder of the clone
# (such as build-web) that is copied into this repository once make has
# succeeded.
# Usage: scripts/in-debian.sh RELEASE TARGET
set -eu

usage() {
  echo "usage: $0 RELEASE TARGET   (e.g. $0 trixie test)" >&2
  exit 2
}
[ $# -eq 2 ] || usage
release=$1 target=$2
case $release in '' | .* | */*) usage ;; esac
[ -n "$target" ] || usage
case ${QUIZZOLA_BRING_BACK:-} in /* | *..*) echo "$0: QUIZZOLA_BRING_BACK must be a folder of the clone" >&2; exit 2 ;; esac
[ "$(id -u)" -eq 0 ] || { echo "$0: run it as root" >&2; exit 1; }

repo=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$repo" rev-parse HEAD)
roots=${QUIZZOLA_ROOTS:-/var/cache/quizzola/roots}
mirror=${QUIZZOLA_MIRROR:-http://deb.debian.org/debian}
mkdir -p "$roots"
roots=$(cd "$roots" && pwd -P)
root=$roots/$release
export DEBIAN_FRONTEND=noninteractive

# One run at a time in a root: another run waits here.
exec 9>"$roots/$release.lock"
flock 9

started=$(date +%s)
since() { echo "$(($(date +%s) - $1)) s"; }

# The mount points under a folder, deepest first.
mounts_under() {
  findmnt -rn -o TARGET | grep -e "^$1/" | sort -r || true
}

# Unmounts everything mounted under a folder, deepest first.
unmount_under() {
  for m in $(mounts_under "$1"); do
    umount "$m" || umount -l "$m"
  done
}

# Everything mounted in the root.
# shellcheck disable=SC2317 # run by the trap
unmount_all() {
  unmount_under "$root"
}

# Made in RELEASE.new and renamed only once debootstrap succeeded, so a root
# left half made by a failure or a Ctrl-C is never used: the next run
# starts it again.
if [ ! -d "$root" ]; then
  if ! command -v debootstrap >/dev/null; then
    apt-get update
    apt-get install -y --no-install-recommends debootstrap
  fi
  echo "=== making a $release root in $root"
  # debootstrap mounts proc and sys in the new root: a run cut short may
  # have left them there, and rm must not walk into them.
  unmount_under "$root.new"
  rm -rf --one-file-system "$root.new"
  debootstrap --variant=minbase "$release" "$root.new" "$mirror"
  mv "$root.new" "$root"
  echo "=== $release root made in $(since "$started")"
fi

# A run killed outright may have left its mounts.
unmount_all
trap unmount_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# What the tests need of a running system besides their own processes:
# devices with pseudo-terminals (Orca's), shared memory (Qt, PulseAudio),
# and a name server for apt.
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# debootstrap writes no hosts file; an installed system has one.
[ -e "$root/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
# Installing a package must not start its daemon in the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
# Nothing left over from an earlier run, such as an X server's lock file.
find "$root/tmp" -xdev -mindepth 1 -delete

# Each command runs in a process and mount namespace of its own, with
# /proc mounted there: it sees only the root's processes (Orca will not
# start while it sees another Orca, such as one a test on this machine
# runs), whatever it leaves running is killed as it ends, and whatever the
# tests mount goes away with it. A shell is the namespace's first process,
# to which no signal comes that it has no handler for: the command itself,
# make for one, would not end on a Ctrl-C as its second.
in_root() {
  env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    unshare --pid --kill-child --mount-proc="$root/proc" \
    chroot "$root" sh -c '"$@"; exit $?' sh "$@"
}

# A run cut short while installing leaves dpkg's work half done.
in_root dpkg --configure -a
# The rest `make` installs itself, with scripts/install-deps.sh.
if [ ! -x "$root/usr/bin/make" ]; then
  in_root apt-get update
  in_root apt-get install -y --no-install-recommends make
fi

rm -rf --one-file-system "$root/root/quizzola"
git clone --quiet --no-checkout --no-hardlinks "$repo" "$root/root/quizzola"
git -C "$root/root/quizzola" checkout --quiet --detach "$commit"

echo "=== make $target in Debian $release, commit $commit"
made=$(date +%s)
status=0
in_root make -C /root/quizzola "$target" || status=$?
echo "=== make $target in Debian $release: exit status $status after $(since "$made")" \
  "($(since "$started") in all)"
if [ "$status" -eq 0 ] && [ -n "${QUIZZOLA_BRING_BACK:-}" ]; then
  rm -rf "${repo:?}/$QUIZZOLA_BRING_BACK"
  cp -a "$root/root/quizzola/$QUIZZOLA_BRING_BACK" "$repo/$QUIZZOLA_BRING_BACK"
fi
exit "$status"
