#!/bin/sh
# Builds the libFuzzer targets in fuzz/ with clang and runs each one for a
# fixed number of inputs, starting from a copy of its seed corpus in
# fuzz/corpus/<target>/ (the copy grows, the repository never changes).
# Exits non-zero when a target crashes or breaks one of its checks; the
# input that did it is kept under <build folder>/artifacts/<target>/ and its
# path is printed, ready to be added to the seed corpus as a regression file.
#
# Usage: scripts/fuzz.sh [build folder]      (default: build-fuzz in the
#                                            repository)
# Environment:
#   FUZZ_RUNS  inputs tried by each target (default 200000 for the number
#              reader, which is quick, and 20000 for the record files,
#              which write, read and replace real files for every input)
#   FUZZ_SEED  libFuzzer's random seed (default 1, so every run tries the
#              same inputs and a failure can be reproduced; 0 picks a new
#              seed each time, for longer hunts by hand)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$repo/build-fuzz"}
seed=${FUZZ_SEED:-1}
targets="lenient_number record_file"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "fuzz.sh: clang++ is missing (Debian packages clang and libclang-rt-14-dev)" >&2
    exit 2
fi

cmake -S "$repo/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
build=$(cd "$build" && pwd)

# The record file target saves a file per input, and every save ends in an
# fsync: in memory (/dev/shm) that costs nothing, on a disk it makes the run
# ten times slower. The targets get a temporary folder of their own there,
# removed at the end even when a target crashed and left its files behind.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch=$(mktemp -d /dev/shm/quizzola-fuzz.XXXXXX)
else
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/quizzola-fuzz.XXXXXX")
fi
trap 'rm -rf "$scratch"' EXIT
trap 'exit 1' HUP INT TERM

failed=""
for target in $targets; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    case $target in
    lenient_number) runs=${FUZZ_RUNS:-200000} ;;
    *) runs=${FUZZ_RUNS:-20000} ;;
    esac
    rm -rf "$corpus" "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    cp "$repo/fuzz/corpus/$target/." "$corpus/" -R

    echo "=== fuzz_$target: $runs inputs from $(find "$corpus" -type f | wc -l) seeds"
    # -max_len: longer than the 4096 bytes a record file is read up to, so
    #   inputs cross that limit;
    # -artifact_prefix: a failing input goes to the build folder, not to
    #   the current folder, which may be the repository.
    if TMPDIR=$scratch "$build/fuzz_$target" \
            -runs="$runs" -seed="$seed" -max_len=8192 \
            -artifact_prefix="$artifacts/" -print_final_stats=1 \
            "$corpus"; then
        echo "=== fuzz_$target: passed"
    else
        echo "=== fuzz_$target: FAILED; the input that did it:" >&2
        ls -1 "$artifacts"/* >&2 2>/dev/null || true
        failed="$failed fuzz_$target"
    fi
done

if [ -n "$failed" ]; then
    echo "fuzz.sh: failed:$failed" >&2
    exit 1
fi
echo "fuzz.sh: every target passed"
