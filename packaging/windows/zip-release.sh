#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Zips the staged release the same way every time, so the same commit gives
# the same bytes: every file and folder dated SOURCE_DATE_EPOCH (the date
# the installer then gives the files it installs, too), the files in the
# order of their names, with no folder entries, owners or extra attributes.
# Usage: SOURCE_DATE_EPOCH=<seconds> zip-release.sh PARENT NAME ZIP
#   zips PARENT/NAME into ZIP (an absolute path), its entries under NAME/.
set -eu
[ $# -eq 3 ] || { echo "usage: $0 PARENT NAME ZIP" >&2; exit 2; }
: "${SOURCE_DATE_EPOCH:?is the date of the commit built, in seconds since 1970}"
cd "$1"
find "$2" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
rm -f "$3"
find "$2" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$3" -@
