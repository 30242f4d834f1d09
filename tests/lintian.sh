#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: lintian.sh CPACK BUILD_DIR. Packages the build into a folder of its
# own and fails on any lintian error or warning, pedantic checks included.
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$1" -G DEB --config "$2/CPackConfig.cmake" -B "$out"
lintian --pedantic --display-info --fail-on error,warning "$out"/*.deb
