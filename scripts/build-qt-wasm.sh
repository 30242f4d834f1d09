#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt for WebAssembly from Debian's own qt6-base source (the version
# of the host Qt installed here, whose moc, rcc and uic the build runs),
# with Debian's emscripten: static, with asyncify, so that a dialog's exec()
# waits in a browser as on the desktop. Only what the game uses is built:
# Core, Gui and Widgets, with no SQL, network, printing, XML, D-Bus or Test.
# Debian 13 and later: Debian 12's emscripten is too old for Qt 6.
#
# The result is kept in $QUIZZOLA_QT_CACHE (default
# /var/cache/quizzola/qt-wasm)/<version>-<hash of this script>, so a second
# run only prints that folder. It is built in a temporary folder and moved
# into place once installed: a half-made Qt is never taken. The source
# comes from scripts/fetch-qt-source.sh, unpacked with Debian's patches.
# The build runs at a lower priority (nice).
# Prints the Qt prefix on its last line of output (stdout), all else on stderr.
# Usage: build-qt-wasm.sh
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
cache_root=${QUIZZOLA_QT_CACHE:-/var/cache/quizzola/qt-wasm}
version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null) || {
  echo "$0: qt6-base-dev is not installed" >&2
  exit 1
}
hash=$(sha256sum <"$0" | cut -c1-12)
prefix=$cache_root/$version-$hash
if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "$prefix"
  exit 0
fi

log() { echo "build-qt-wasm: $*" >&2; }
mkdir -p "$cache_root"
exec 9>"$cache_root/.lock"
flock 9
if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "$prefix"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quizzola-qt-wasm.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
started=$(date +%s)
source_package=$("$repo/scripts/fetch-qt-source.sh" | tail -n 1)/package
log "unpacking the source of qt6-base $version"
dpkg-source --no-check -x "$source_package"/qt6-base_*.dsc "$work/src" >&2

# Qt's configure asks for an emsdk folder holding a .emscripten file, in
# which it reads where emscripten is below that folder, as emsdk writes it;
# one whose emscripten is Debian's is enough.
mkdir -p "$work/emsdk/upstream"
ln -s /usr/share/emscripten "$work/emsdk/upstream/emscripten"
echo "EMSCRIPTEN_ROOT = emsdk_path + '/upstream/emscripten'" >"$work/emsdk/.emscripten"
export EMSDK="$work/emsdk"

log "configuring"
mkdir -p "$work/build"
(cd "$work/build" && "$work/src/configure" \
  -prefix "$prefix" \
  -platform wasm-emscripten -qt-host-path /usr \
  -static -release -no-warnings-are-errors \
  -device-option QT_EMSCRIPTEN_ASYNCIFY=1 \
  -nomake tests -nomake examples \
  -no-feature-sql -no-feature-network -no-feature-testlib -no-feature-printsupport \
  -no-feature-concurrent -no-feature-xml -no-feature-dbus \
  -- -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -GNinja >&2)
log "building"
nice -n 10 cmake --build "$work/build" --parallel "$(nproc)" >&2
DESTDIR=$work/stage cmake --install "$work/build" >&2
rm -rf "$prefix.new"
mv "$work/stage$prefix" "$prefix.new"
mv "$prefix.new" "$prefix"
log "built in $(($(date +%s) - started)) s, $(du -sh "$prefix" | cut -f1) installed"
echo "$prefix"
