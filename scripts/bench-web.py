#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Usage: bench-web.py <folder made by make web>. Figures, not tests, for the README's table:
- the bytes a first visit transfers, each file compressed as a static server sends it (gzip -9, and brotli when
  the brotli module is there);
- the time from navigation to the name prompt on screen, in headless Chromium from a local server: a first visit
  (nothing cached) and a reload, the median of five each;
- the time from the key that answers or asks to the judgement or question the game shows (the median of 50), and
  from the key that closes the greeting to the first question, with the window shown (the median of 5)."""
import gzip, os, re, statistics, sys, time
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
import play_web  # noqa: E402 - the path first
from selenium.webdriver.common.keys import Keys  # noqa: E402

# When the live region first said the name prompt, and how long each key took to change it.
TIMES = """window.bench = {prompt: null, keys: []}; let pressed = null;
addEventListener('keydown', () => { pressed = performance.now(); }, true);
addEventListener('DOMContentLoaded', () => new MutationObserver(() => {
  const said = document.getElementById('quizzola-parla').textContent, now = performance.now();
  if (bench.prompt === null && said === 'Come ti chiami?') bench.prompt = now;
  if (pressed !== null) { bench.keys.push(now - pressed); pressed = null; }
}).observe(document.getElementById('quizzola-parla'), {childList: true, subtree: true}));"""


def sizes(folder):
    files = re.search(r"FILES = \[(.*?)\]", open(os.path.join(folder, "sw.js")).read(), re.S).group(1)
    names = [n for n in re.findall(r"'([^']+)'", files) if n != "./"]
    raw = sum(os.path.getsize(os.path.join(folder, n)) for n in names)
    gz = sum(len(gzip.compress(open(os.path.join(folder, n), "rb").read(), 9)) for n in names)
    print("files of a first visit: %d, %.2f MB, %.2f MB with gzip -9" % (len(names), raw / 1e6, gz / 1e6), end="")
    try:
        import brotli
        br = sum(len(brotli.compress(open(os.path.join(folder, n), "rb").read())) for n in names)
        print(", %.2f MB with brotli" % (br / 1e6))
    except ImportError:
        print()


def main(folder):
    sizes(folder)
    first, again, shown, keys = [], [], [], []
    for _ in range(5):
        def run(page, url, folder, server):
            for times in (first, again):
                page.d.get(url)
                times.append(play_web.poll("the prompt", lambda: page.d.execute_script("return bench.prompt")))
            k = page.open(url, "Bench")
            for i in range(5):
                k = page.answer(k, i % 2 == 0)
            name, greeting, *answers = page.d.execute_script("return bench.keys")
            shown.append(greeting)
            keys.extend(answers)
        play_web.play, play_web.HEAR = run, TIMES
        play_web.main(folder)
    print("navigation to the name prompt: first visit %.0f ms, reload %.0f ms (medians of 5)"
          % (statistics.median(first), statistics.median(again)))
    print("key to the judgement or question shown: median %.1f ms, slowest %.1f ms (%d keys)"
          % (statistics.median(keys), max(keys), len(keys)))
    print("key closing the greeting to the first question, the window shown: median %.1f ms, slowest %.1f ms"
          % (statistics.median(shown), max(shown)))


if __name__ == "__main__":
    main(sys.argv[1])
