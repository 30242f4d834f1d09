#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Usage: lintian.sh CPACK BUILD_DIR. Packages the build into a folder of its
# own and fails on anything lintian says, pedantic checks and infos included.
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$1" -G DEB --config "$2/CPackConfig.cmake" -B "$out"
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$out"/*.deb
