#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The sanitizer options the tests of a -DQUIZZOLA_SANITIZE=ON build run with.
# Usage: scripts/sanitize-env.sh COMMAND [ARG...], as `make test` runs ctest.
# The processes the tests start inherit them; programs built without
# sanitizers (Xvfb, pulseaudio...) ignore them.
set -eu
suppressions=$(cd "$(dirname "$0")/.." && pwd)/tests/sanitizers/lsan.supp

# ASan: the first error ends the program, so no test passes after memory went
# wrong; leaks are checked at exit (the default, stated so nothing turns it
# off); also caught: a local used after its function returned (captured by
# reference in a lambda connected to a signal), and a global whose
# initializer reads another file's global before it is built.
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
ASAN_OPTIONS=$ASAN_OPTIONS:check_initialization_order=1:strict_init_order=1
# LSan: third-party leaks that are not ours to fix, each explained in the file.
# The sanitizers read the double quotes themselves: a path with blanks stays whole.
LSAN_OPTIONS="suppressions=\"$suppressions\""
# UBSan: each finding with its stack and the name of the check that fired,
# fatal even in a build made without -fno-sanitize-recover.
UBSAN_OPTIONS=print_stacktrace=1:report_error_type=1:halt_on_error=1

export ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
exec "$@"
