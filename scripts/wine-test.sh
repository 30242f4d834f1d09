#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Qt Test program built for Windows under Wine, headless: ctest's
# launcher for the tests of a Windows build (tests/CMakeLists.txt).
#   wine-test.sh PREFIX DLL_DIRS PROGRAM.exe [ARGUMENTS...]
# PREFIX is the Wine prefix, made on first use; DLL_DIRS the folders, joined
# by ':', where Windows finds the DLLs the program loads. Qt Test writes
# nothing to a pipe under Wine, so its report goes to a file, printed
# afterwards. Exits with the program's status: the number of failed checks.
set -eu
[ $# -ge 3 ] || { echo "usage: $0 PREFIX DLL_DIRS PROGRAM.exe [ARGUMENTS...]" >&2; exit 2; }
prefix=$1 dll_dirs=$2 program=$3
shift 3

export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko: their installers would ask on a first start.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# Windows paths: the Z: drive is the whole Linux file system.
WINEPATH=$(printf '%s' "$dll_dirs" | tr ':' '\n' | sed 's|^|Z:|; s|/|\\|g' | paste -sd ';')
export WINEPATH

# The prefix is made once; tests started together wait for it here.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$prefix.lock"

report=${program%.exe}.txt
rm -f "$report"
status=0
wine "$program" -o "$report,txt" "$@" || status=$?
cat "$report" 2>/dev/null || echo "$0: $program wrote no report (status $status)"
exit "$status"
