#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the source archive handed out with the Windows release: the game's
# source at the commit built, and Debian's source package of the Qt its
# DLLs were built from, with a note on how each was built. The same commit
# gives the same bytes: names in order, every date SOURCE_DATE_EPOCH, no
# owners, modes made uniform, xz on one thread.
# Usage: SOURCE_DATE_EPOCH=<seconds> source-archive.sh REPOSITORY QT_PACKAGE VERSION OUT
#   REPOSITORY  the game's git repository (its HEAD is archived)
#   QT_PACKAGE  the folder of Qt's .dsc and tarballs (scripts/fetch-qt-source.sh)
#   VERSION     the game's version; OUT the .tar.xz to write
set -eu
[ $# -eq 4 ] || { echo "usage: $0 REPOSITORY QT_PACKAGE VERSION OUT" >&2; exit 2; }
repo=$1 qt=$2 version=$3 out=$4
: "${SOURCE_DATE_EPOCH:?is the date of the commit built, in seconds since 1970}"
work=$(mktemp -d "${TMPDIR:-/tmp}/quizzola-source.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
top=quizzola-$version-windows-source
mkdir -p "$work/$top/qt6-base"
git -C "$repo" archive --format=tar --prefix="quizzola-$version/" HEAD | tar -x -C "$work/$top"
cp "$qt"/* "$work/$top/qt6-base/"
dsc=$(cd "$qt" && ls ./*.dsc)
cat >"$work/$top/LEGGIMI.txt" <<NOTE
Il sorgente di Quizzola $version per Windows
============================================

quizzola-$version/  il gioco, al commit $(git -C "$repo" rev-parse HEAD).
qt6-base/           il pacchetto sorgente Debian di Qt da cui sono state
                    compilate le DLL di Qt del gioco (${dsc#./}).

Su Debian, dalla cartella quizzola-$version: \`make windows\` installa ciò che
serve, compila Qt per Windows da questo stesso pacchetto sorgente con
scripts/build-qt-windows.sh (dove si leggono tutte le opzioni) e poi il gioco,
l'archivio zip e il programma di installazione. Il README dice di più.

(\`dpkg-source -x qt6-base/${dsc#./}\` spacchetta il sorgente di Qt con le
modifiche di Debian.)
NOTE
tar --format=gnu --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  --mode=u=rwX,go=rX -C "$work" -cf - "$top" | xz -T1 -6 >"$out.new"
mv "$out.new" "$out"
