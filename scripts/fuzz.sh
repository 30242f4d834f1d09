#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets in fuzz/ with clang and runs each one over a
# copy of its seed corpus fuzz/corpus/<target>/ (the repository's never
# changes) for a fixed number of inputs with a fixed seed, so every run tries
# the same inputs. Fails when a target fails; the input that did it is kept
# in <build folder>/artifacts/<target>/, ready to join the seed corpus.
# Usage: scripts/fuzz.sh [build folder]     (default: build-fuzz)
set -eu

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build-fuzz}
cmake -S "$repo/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build" -j "$(nproc)"

# The record file target saves a file per input, each save ending in an
# fsync: in memory that costs nothing, on a disk it is ten times slower.
scratch=$(mktemp -d /dev/shm/quizzola-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
trap 'exit 1' HUP INT TERM

failed=""
# Inputs per target: the number reader is quick, the record files are not.
for target_runs in lenient_number:200000 record_file:20000; do
    target=${target_runs%:*} runs=${target_runs#*:}
    corpus=$build/corpus/$target artifacts=$build/artifacts/$target
    rm -rf "$corpus" "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    cp -R "$repo/fuzz/corpus/$target/." "$corpus/"
    echo "=== fuzz_$target: $runs inputs"
    # -max_len: past the 4096 bytes a record file is read up to.
    if ! TMPDIR=$scratch "$build/fuzz_$target" -runs="$runs" -seed=1 -max_len=8192 \
            -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"; then
        echo "=== fuzz_$target FAILED on: $(ls -d "$artifacts"/* 2>/dev/null)" >&2
        failed="$failed fuzz_$target"
    fi
done
[ -z "$failed" ] || { echo "fuzz.sh: failed:$failed" >&2; exit 1; }
echo "fuzz.sh: every target passed"
