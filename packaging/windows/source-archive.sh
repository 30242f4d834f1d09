#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the source archive handed out with the Windows release, or with the
# game's web page: the game's source at the commit built, and Debian's
# source package of the Qt it was built with, with a note on how each was
# built. The archive's name says which: quizzola-<version>-windows-source
# or -web-source, .tar.xz. The same commit
# gives the same bytes: names in order, every date SOURCE_DATE_EPOCH, no
# owners, modes made uniform, xz on one thread.
# The game's source is its git commit; in a tree unpacked from such an
# archive (no git), the tree itself, but the build folders. Either way it
# holds COMMIT: the commit and its date, for a build made from it.
# Usage: SOURCE_DATE_EPOCH=<seconds> source-archive.sh SOURCE COMMIT QT_PACKAGE VERSION OUT
#   SOURCE      the game's source tree; COMMIT the commit built (its hash)
#   QT_PACKAGE  the folder of Qt's .dsc and tarballs (scripts/fetch-qt-source.sh)
#   VERSION     the game's version; OUT the .tar.xz to write
set -eu
[ $# -eq 5 ] || { echo "usage: $0 SOURCE COMMIT QT_PACKAGE VERSION OUT" >&2; exit 2; }
source=$1 commit=$2 qt=$3 version=$4 out=$5
: "${SOURCE_DATE_EPOCH:?is the date of the commit built, in seconds since 1970}"
work=$(mktemp -d "${TMPDIR:-/tmp}/quizzola-source.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
top=$(basename "$out" .tar.xz)
case $top in
  *-web-source)
    release="per il web" from="da cui è stata compilata la libreria Qt inclusa nel gioco"
    target=web script=build-qt-wasm.sh
    made="Qt per WebAssembly da questo stesso pacchetto sorgente con
scripts/$script (dove si leggono tutte le opzioni) e poi il gioco, nella
cartella build-web che qualunque server web può servire così com'è" ;;
  *)
    release="per Windows" from="da cui sono state compilate le DLL di Qt del gioco"
    target=windows script=build-qt-windows.sh
    made="Qt per Windows da questo stesso pacchetto sorgente con
scripts/$script (dove si leggono tutte le opzioni) e poi il gioco,
l'archivio zip e il programma di installazione" ;;
esac
game=$work/$top/quizzola-$version
mkdir -p "$game" "$work/$top/qt6-base"
if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
  git -C "$source" archive --format=tar "$commit" | tar -x -C "$game"
else
  tar -C "$source" --exclude='./build*' --exclude=./COMMIT -cf - . | tar -x -C "$game"
fi
printf '%s\n%s\n' "$commit" "$SOURCE_DATE_EPOCH" >"$game/COMMIT"
cp "$qt"/* "$work/$top/qt6-base/"
dsc=$(cd "$qt" && ls ./*.dsc)
cat >"$work/$top/LEGGIMI.txt" <<NOTE
Il sorgente di Quizzola $version $release
$(echo "Il sorgente di Quizzola $version $release" | sed 's/./=/g')

$(printf '%-20s' "quizzola-$version/")il gioco, al commit $commit.
qt6-base/           il pacchetto sorgente Debian di Qt (${dsc#./}),
                    $from.

Su Debian, dalla cartella quizzola-$version: \`make $target\` installa ciò che
serve, compila $made. Il README dice di più.

(\`dpkg-source -x qt6-base/${dsc#./}\` spacchetta il sorgente di Qt con le
modifiche di Debian.)
NOTE
tar --format=gnu --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  --mode=u=rwX,go=rX -C "$work" -cf - "$top" | xz -T1 -6 >"$out.new"
mv "$out.new" "$out"
