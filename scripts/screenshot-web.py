#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Usage: screenshot-web.py <folder made by make web> <docs folder>. Chromium's screenshots of the game after a
right answer: docs/web-1280x800.png, a laptop's browser window, and docs/web-phone.png, a phone held across
(800 x 360 CSS pixels, as Chromium's phone emulation gives it)."""
import os, sys
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "web"))
import play_web  # noqa: E402 - the path first

folder, docs = sys.argv[1], sys.argv[2]


def shoot(page, url, _folder, _server):
    for name, width, height, mobile in (("web-1280x800", 1280, 800, False), ("web-phone", 800, 360, True)):
        page.d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 2 if mobile else 1, "mobile": mobile})
        page.answer(page.open(url, "Giulia"), True)
        page.d.save_screenshot(os.path.join(docs, name + ".png"))


play_web.play = shoot
play_web.main(folder)
