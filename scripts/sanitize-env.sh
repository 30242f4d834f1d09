#!/bin/sh
# The sanitizer options the tests of a -DQUIZZOLA_SANITIZE=ON build run with.
#
#   scripts/sanitize-env.sh                  prints them as export lines:
#                                            eval "$(scripts/sanitize-env.sh)"
#   scripts/sanitize-env.sh COMMAND [ARG...]  runs COMMAND with them, e.g.
#       scripts/sanitize-env.sh ctest --test-dir build-sanitize --output-on-failure
#
# Child processes the tests start (record_saver, the game itself) inherit
# them; programs built without sanitizers (pulseaudio, Xvfb...) ignore them.
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
case $repo in
*[\'\":]*)
    echo "sanitize-env.sh: the sanitizers cannot take a suppression file under $repo" \
         "(no quote or colon allowed in the path)" >&2
    exit 2 ;;
esac
suppressions=$repo/tests/sanitizers

# AddressSanitizer:
#   detect_leaks=1   runs LeakSanitizer when each program exits. It is the
#                    default on x86-64 Linux; stated so that no other default
#                    can turn the leak check off unnoticed.
#   halt_on_error=1  the first error ends the program with a failure, so a
#                    test can never pass after memory went wrong.
#   detect_stack_use_after_return=1
#                    also catches a local variable used after its function
#                    returned (a lambda connected to a signal that captured a
#                    local by reference, say); off by default for its memory
#                    cost, which the tests can afford.
#   check_initialization_order=1, strict_init_order=1
#                    catches a global whose initializer reads a global of
#                    another file before it is built (the record file names
#                    are such globals).
ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1"
ASAN_OPTIONS="$ASAN_OPTIONS:check_initialization_order=1:strict_init_order=1"

# LeakSanitizer:
#   suppressions     leaks of third-party libraries that are not ours to fix,
#                    each explained in the file.
# The double quotes are meant literally: the sanitizers' own option parser
# reads them, so a path with blanks stays one value.
# shellcheck disable=SC2089,SC2090
LSAN_OPTIONS="suppressions=\"$suppressions/lsan.supp\""

# UndefinedBehaviorSanitizer:
#   print_stacktrace=1   shows how the program got to the undefined operation,
#                        not only the line where it happened.
#   report_error_type=1  names the check that fired (signed-integer-overflow,
#                        ...), which is what a fix or a discussion needs.
#   halt_on_error=1      the build already stops at the first finding
#                        (-fno-sanitize-recover=undefined); this keeps it
#                        fatal if a build is ever made without that flag.
UBSAN_OPTIONS="print_stacktrace=1:report_error_type=1:halt_on_error=1"
if [ -f "$suppressions/ubsan.supp" ]; then
    # shellcheck disable=SC2089
    UBSAN_OPTIONS="$UBSAN_OPTIONS:suppressions=\"$suppressions/ubsan.supp\""
fi

# shellcheck disable=SC2090
export ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
if [ $# -gt 0 ]; then
    exec "$@"
fi
printf "export ASAN_OPTIONS='%s'\n" "$ASAN_OPTIONS"
printf "export LSAN_OPTIONS='%s'\n" "$LSAN_OPTIONS"
printf "export UBSAN_OPTIONS='%s'\n" "$UBSAN_OPTIONS"
