#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Fetches Debian's source package of the Qt the Windows release is built
# from (scripts/build-qt-windows.sh builds the version of qt6-base-dev
# installed here), for what the release hands out with Qt's DLLs:
#   <folder>/package/   the .dsc and its tarballs, as Debian publishes them,
#                       for the source archive beside the installer;
#   <folder>/licenses/  Qt's licence texts as they stand in that source
#                       (but the commercial licence), and Debian's copyright
#                       file, which lists the licence of each part Qt bundles.
# The folder is $QUIZZOLA_QT_SOURCE_CACHE (default
# /var/cache/quizzola/qt-source)/<version>, kept: a second run only prints
# it. It is filled in <folder>.new and renamed once whole. The source comes
# through apt with sources and lists of its own (deb-src entries); the
# system's apt configuration is left untouched. apt checks each file
# against the archive's signed index.
# Prints the folder on its last line of output (stdout), all else on stderr.
# Usage: fetch-qt-source.sh
set -eu

cache_root=${QUIZZOLA_QT_SOURCE_CACHE:-/var/cache/quizzola/qt-source}
mirror=${QUIZZOLA_MIRROR:-http://deb.debian.org/debian}
version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null) || {
  echo "$0: qt6-base-dev is not installed" >&2
  exit 1
}
folder=$cache_root/$version
if [ -f "$folder/licenses/copyright" ]; then
  echo "$folder"
  exit 0
fi
mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock 9
if [ -f "$folder/licenses/copyright" ]; then
  echo "$folder"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quizzola-qt-source.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
. /etc/os-release
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/new/package" "$work/new/licenses"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat >"$work/apt/sources.list" <<EOF
deb-src [signed-by=$keyring] $mirror $VERSION_CODENAME main
deb-src [signed-by=$keyring] $mirror $VERSION_CODENAME-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $VERSION_CODENAME-security main
EOF
apt_private() {
  apt-get -q -o Dir::Etc::SourceList="$work/apt/sources.list" \
    -o Dir::Etc::SourceParts=/nonexistent \
    -o Dir::State::Lists="$work/apt/lists" \
    -o Dir::Cache="$work/apt/cache" \
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= \
    -o APT::Sandbox::User=root "$@"
}
echo "fetch-qt-source: fetching the source of qt6-base $version" >&2
apt_private update >&2
(cd "$work/new/package" && apt_private source --download-only "qt6-base=$version" >&2)

# The licence texts: Qt 6.4 keeps them in LICENSE.* at the top, Qt 6.5 and
# later in LICENSES/*.txt.
orig=$(find "$work/new/package" -name 'qt6-base_*.orig.tar.*')
debian=$(find "$work/new/package" -name 'qt6-base_*.debian.tar.*')
mkdir "$work/texts"
tar -xf "$orig" -C "$work/texts" --wildcards --no-anchored --strip-components=1 \
  '*/LICENSE.*' '*/LICENSES/*.txt'
find "$work/texts" -maxdepth 2 -type f \( -name 'LICENSE.*' -o -path '*/LICENSES/*.txt' \) \
  ! -name '*Commercial*' ! -name '*QT-LICENSE-AGREEMENT*' -exec cp {} "$work/new/licenses/" \;
tar -xf "$debian" -C "$work/texts" debian/copyright
cp "$work/texts/debian/copyright" "$work/new/licenses/copyright"
[ -n "$(find "$work/new/licenses" -name '*LGPL*')" ] || {
  echo "$0: no LGPL text in the source of qt6-base $version" >&2
  exit 1
}
rm -rf "$folder.new"
mv "$work/new" "$folder.new"
mv "$folder.new" "$folder"
echo "$folder"
