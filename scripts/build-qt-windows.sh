#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt for 64-bit Windows (x86_64-w64-mingw32, MinGW-w64 with POSIX
# threads) from Debian's own qt6-base source, the very version of the host
# Qt installed here: the cross build runs the host's moc, rcc and uic, which
# must match it. Only what the game and its tests use is built: Core, Gui,
# Widgets and Test, the windows, offscreen and minimal platform plugins, PNG.
#
# The result is kept in $QUIZZOLA_QT_CACHE (default
# /var/cache/quizzola/qt-mingw)/<version>-<hash of this script and of the
# toolchain file>, so a second run only prints that folder. It is built in a
# temporary folder, moved to <folder>.new once installed and renamed when
# complete: a half-made Qt is never taken. The source comes from
# scripts/fetch-qt-source.sh, which leaves the system's apt configuration
# untouched. The build runs at a lower priority (nice).
# Prints the Qt prefix on its last line of output (stdout), all else on stderr.
# Usage: build-qt-windows.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$repo/cmake/mingw-w64-x86_64.cmake
cache_root=${QUIZZOLA_QT_CACHE:-/var/cache/quizzola/qt-mingw}

version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null) || {
  echo "$0: qt6-base-dev is not installed" >&2
  exit 1
}
hash=$(cat "$0" "$toolchain" | sha256sum | cut -c1-12)
prefix=$cache_root/$version-$hash
if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "$prefix"
  exit 0
fi

log() { echo "build-qt-windows: $*" >&2; }
mkdir -p "$cache_root"
# One build at a time: a second run waits here, then finds the cache.
exec 9>"$cache_root/.lock"
flock 9
if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quizzola-qt-mingw.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
started=$(date +%s)

# Debian's source package, the one the release's source archive holds
# (scripts/fetch-qt-source.sh fetches it once), unpacked with its patches.
log "unpacking the source of qt6-base $version"
src=$work/src
dpkg-source --no-check -x "$("$repo/scripts/fetch-qt-source.sh" | tail -n 1)"/package/qt6-base_*.dsc "$src" >&2
[ -x "$src/configure" ] || { log "no configure in the unpacked source"; exit 1; }

# What the game needs and no more: no OpenGL (the game paints with the
# raster engine), no D-Bus, ICU, SQL, network, printing or Vulkan. Debian
# removes the bundled wintab headers, hence no tablet events. Direct2D 1.1
# is turned off; turning off all of Direct2D breaks the link in 6.4.
log "configuring"
mkdir -p "$work/build"
(cd "$work/build" && "$src/configure" \
  -prefix "$prefix" \
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
  -qt-host-path /usr \
  -release -shared -nomake examples -nomake tests \
  -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-network \
  -no-feature-printsupport -no-feature-vulkan \
  -no-feature-tabletevent -no-feature-direct2d1_1 \
  -qt-libpng -qt-zlib -no-libjpeg \
  -- -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >&2)
log "building"
nice -n 10 cmake --build "$work/build" --parallel "$(nproc)" >&2
# Staged, then moved beside the cache folder and renamed to it once whole.
DESTDIR=$work/stage cmake --install "$work/build" >&2
rm -rf "$prefix.new"
mv "$work/stage$prefix" "$prefix.new"
mv "$prefix.new" "$prefix"
log "built in $(($(date +%s) - started)) s, $(du -sh "$prefix" | cut -f1) installed"
echo "$prefix"
