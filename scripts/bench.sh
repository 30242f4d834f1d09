#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures Quizzola (about four minutes) and prints the README's table of
# figures against their targets; a missed target is reported, not failed.
# Usage: scripts/bench.sh [build-dir]   (default: build)
#  1. bench_quizzola (offscreen): the window's handlers, medians of 15
#     repetitions, then 31 ticks of the game's clock;
#  2. bench/measure_program.py: the real program in a private Xvfb, beside
#     bare Qt programs (bench/bare.cpp), for ratios that the machine's load
#     touches less than the absolute figures; then a game whose sounds go to
#     a private PulseAudio server's null sink, from Enter to each sound;
#     then a game at 3840x2160 for its peak memory.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
work=$(mktemp -d /tmp/quizzola-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen

grep -Eq '^CMAKE_BUILD_TYPE:STRING=(Release|RelWithDebInfo)$' "$build/CMakeCache.txt" ||
    echo "bench.sh: warning: $build is not an optimised build" >&2
cmake --build "$build" -j "$(nproc)" --target bench_all

echo "== Handlers (offscreen, 15 repetitions)"
# The offscreen platform warns on every resize that it cannot pass size hints on.
"$build/bench/bench_quizzola" --benchmark_repetitions=15 --benchmark_report_aggregates_only=true \
    --benchmark_out="$work/handlers.json" 2>&1 | grep -v propagateSizeHints

echo "== Clock (offscreen, 31 ticks)"
# Meanwhile whatever keeps the CPUs busy is other work, slowing every figure.
head -1 /proc/stat >"$work/cpu-before"
"$build/bench/bench_quizzola" clock | tee "$work/clock.txt"
head -1 /proc/stat >"$work/cpu-after"

echo "== Real program (private Xvfb, 12 launches and one game, bare Qt programs between, then a game with sound)"
/usr/bin/python3 "$here/bench/measure_program.py" "$build/src/quizzola" \
    "$build/bench/bare_prompt" "$build/bench/bare_window" >"$work/program.json"

echo "== Figures"
/usr/bin/python3 - "$work" <<'EOF'
import json, os, re, statistics, sys

work = sys.argv[1]
handlers = json.load(open(work + "/handlers.json"))["benchmarks"]
program = json.load(open(work + "/program.json"))
clock = {k: float(v) for k, v in re.findall(r"(\w+)=([-\d.]+)", open(work + "/clock.txt").read())}

def median_ms(name):
    for b in handlers:
        if b["run_name"].startswith(name) and b.get("aggregate_name") == "median" \
                and not b.get("error_occurred"):
            return b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[b["time_unit"]]
    sys.exit("bench.sh: no median for %s (see its error above)" % name)

duration = lambda ms: "%.3f ms" % ms if ms >= 0.1 else "%.1f µs" % (ms * 1000)
median = lambda key: statistics.median(program[key])
spread = lambda key: "%.1f ms (%.1f–%.1f)" % (median(key), min(program[key]), max(program[key]))
# MB are 10^6 bytes, the stricter reading of the target.
memory = lambda kib: "%.1f MB (%.1f MiB)" % (kib * 1024 / 1e6, kib / 1024)

b, a = ([int(v) for v in open(work + f).read().split()[1:]] for f in ("/cpu-before", "/cpu-after"))
busy = 100 * (1 - (a[3] + a[4] - b[3] - b[4]) / max(1, sum(a) - sum(b)))  # not idle nor iowait
print("While the clock ran (the benchmarks idle), the %d CPUs were %.0f %% busy with other work%s."
      % (len(os.sched_getaffinity(0)), busy, ": the timings are noisier and slower than on an"
         " idle machine" if busy > 10 else ""))
print("Ratios (×) are to bare Qt Widgets programs run in the same Xvfb between the game's"
      " launches: for the launch, the median of the %d ratios of a launch to that of a bare"
      " QInputDialog started just before it; for peak RSS, a bare prompt answered, then an empty"
      " QMainWindow sized like the game's." % len(program["bare_launch_ms"]))
print("\n| Figure | Measured | Target | |\n|---|---|---|---|")
missed = 0
def row(figure, shown, target="(information)", value=0, limit=None):
    global missed
    verdict = "" if limit is None else "met" if abs(value) <= limit else \
        "**missed** (%+.0f %%)" % (100 * (abs(value) / limit - 1))
    missed += verdict.startswith("**")
    print("| %s | %s | %s | %s |" % (figure, shown, target, verdict))

for size, target, limit in (("1920×1080", "≤ 0.5 ms", 0.5), ("3840×2160", "≤ 2 ms", 2.0)):
    q = median_ms("newQuestion/handler/" + size.replace("×", "/"))
    row("New question, client %s (median)" % size, duration(q), target, q, limit)
for label, name, target in (("floor: QImage::fill RGB32", "fillFloor", "(reference)"),
                            ("new question + window repaint,", "newQuestion/repaint", "")):
    for size in ("1920×1080", "3840×2160"):
        ms = median_ms("%s/%s" % (name, size.replace("×", "/")))
        row("  %s %s" % (label, size), duration(ms), target or "(information)")
for sizes, name in (("1366×700 and 1920×1050", "1366/700/1920/1050"), ("1920×1050 and 3840×2130",
                                                                        "1920/1050/3840/2130")):
    ms = median_ms("rescale/" + name)
    row("Rescale and repaint, client alternately %s (median)" % sizes, duration(ms), "≤ 16 ms", ms, 16)
j = median_ms("judge/right")
row("Judging a right answer (median)", duration(j), "≤ 0.1 ms", j, 0.1)
row("  judging a wrong answer (median)", duration(median_ms("judge/wrong")))
launch_ratio = statistics.median(g / b for g, b in zip(program["launch_ms"], program["bare_launch_ms"]))
row("Launch to name prompt on screen (median of %d)" % len(program["launch_ms"]),
    "%s; %.2f × bare QInputDialog (%.1f ms)" % (spread("launch_ms"), launch_ratio,
    median("bare_launch_ms")), "≤ 120 ms", median("launch_ms"), 120)
row("  the launch as a ratio to a bare QInputDialog's (median of the %d ratios)" % len(program["launch_ms"]),
    "%.3f ×" % launch_ratio, "≤ 1.10 ×", launch_ratio, 1.10)
row("  of which on a CPU / waiting for a CPU (medians)",
    "%.1f ms / %.1f ms" % (median("launch_cpu_ms"), median("launch_cpu_wait_ms")))
row("  first launch with a fresh HOME (not in the median)", "%.1f ms" % program["first_launch_ms"])
row("Greeting accepted to first question painted (median of %d)" % len(program["launch_ms"]),
    spread("greeting_to_bands_ms"), "≤ 80 ms", median("greeting_to_bands_ms"), 80)
row("  greeting accepted to main window mapped", "%.1f ms" % median("greeting_to_map_ms"))
rss = program["peak_rss_kb"]
rss_ratio = rss / program["bare_peak_rss_kb"]
row("Peak RSS of a game (window %s, %d right and %d wrong answers)" % (
    program["game_window"], program["answers_right"], program["answers_wrong"]),
    "%s; %.2f × bare QMainWindow (%.1f MB)" % (memory(rss), rss_ratio,
    program["bare_peak_rss_kb"] * 1024 / 1e6), "≤ 50 MB", rss * 1024 / 1e6, 50)
row("  peak RSS as a ratio to the bare QMainWindow's", "%.3f ×" % rss_ratio, "≤ 1.10 ×", rss_ratio, 1.10)
# At 4K the window's backing store alone is 33 MB (3840 × 2160 × 4 bytes),
# in any Qt program: there the ratio to the bare window is the goal.
rss4k, bare4k = program["peak_rss_4k_kb"], program["bare_peak_rss_4k_kb"]
row("Peak RSS of a game, window 3840×2160", "%s; %.2f × bare QMainWindow (%.1f MB)" % (
    memory(rss4k), rss4k / bare4k, bare4k * 1024 / 1e6))
row("  peak RSS at 3840×2160 as a ratio to the bare QMainWindow's", "%.3f ×" % (rss4k / bare4k), "≤ 1.10 ×",
    rss4k / bare4k, 1.10)
row("  peak RSS at the first question, window unmaximised", memory(median("rss_first_question_kb")))
after = program["contest_rss_kb"]
growth = (after[str(len(after))] - after["5"]) * 1024 / 1e6
row("RSS after 5 and %d new contests in one run, and the growth" % len(after),
    "%s; %s; %+.2f MB" % (memory(after["5"]), memory(after[str(len(after))]), growth), "≤ 2 MB", growth, 2)
cpu = program["idle_cpu_percent"]
row("Idle CPU, clock running, no input (%.0f s)" % program["idle_seconds"],
    "%.2f %% of a core" % cpu, "≤ 0.5 %", cpu, 0.5)
row("  idle CPU from the scheduler's ns counters",
    "%.3f %%" % program["idle_cpu_percent_schedstat"])
row("Clock: first to tick 31, deviation from 30 s", "%+.2f ms (%.2f ms)" % (
    clock["deviation_ms"], clock["total_ms"]), "within ±30 ms", clock["deviation_ms"], 30)
row("  clock: largest single-tick deviation", "%+.2f ms" % clock["worst_tick_ms"])
heard = [ms for ms in program["sound_latency_ms"] if ms is not None]
lost = len(program["sound_latency_ms"]) - len(heard)
if heard:
    row("Enter on an answer to its sound on a null sink (median of %d)" % len(heard),
        "%.1f ms (%.1f–%.1f)%s" % (statistics.median(heard), min(heard), max(heard),
        "; %d more never heard" % lost if lost else ""), "≤ 50 ms", statistics.median(heard), 50)
else:
    row("Enter on an answer to its sound on a null sink", "**not one heard**", "≤ 50 ms")
    missed += 1
first = program["sound_latency_ms"][0]
row("  first answer's sound (the sound player starting)",
    "%.1f ms" % first if first is not None else "never heard")
row("  RSS after the sounds; shared libraries mapped", "%s; %d" % (
    memory(program["sound_rss_kb"]), program["sound_libraries"]))

print("\n%d target(s) missed." % missed)
EOF
