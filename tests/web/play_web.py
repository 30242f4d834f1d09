#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Usage: play_web.py <folder made by make web>. Plays the game in headless Chromium, driven by Selenium, from a
static server of its own, as a child plays it: the name typed at once, a right and a wrong answer judged and heard
through Web Audio, Exit and the congratulation, the end page; a reload shows the record; a second tab saves a higher
one, which the first keeps. Reads what a screen reader gets (Chromium's accessibility tree), taps the answer box
with touch emulated, and plays offline once the server has stopped."""
import functools, http.server, re, sys, threading, time, wave
from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys

MAIN, MINIMISED = "Gioca con la Quizzola", "Giocare con la tavola pitagorica"
GREETING = "%s vediamo se sei un vero campione"  # a screen reader is given it without the blanks at its ends
CONGRATULATION = "Ok! Ho registrato il tuo record, C A M P I O N E"
# Each buffer a sound source starts: its length, rate, channels and the sum of its first channel's magnitudes.
HEAR = """window.heard = []; const start = AudioBufferSourceNode.prototype.start;
AudioBufferSourceNode.prototype.start = function (...when) { const b = this.buffer;
  heard.push([b.length, b.sampleRate, b.numberOfChannels, b.getChannelData(0).reduce((s, x) => s + Math.abs(x), 0)]);
  return start.apply(this, when); };"""


def poll(what, probe, timeout=30):  # calls probe() till it gives something but None
    end = time.monotonic() + timeout
    while (value := probe()) is None:
        if time.monotonic() > end:
            raise AssertionError("waited %d s for %s" % (timeout, what))
        time.sleep(0.05)
    return value


def expect(what, found, wanted):
    if found != wanted:
        raise AssertionError("%s: expected %r, found %r" % (what, wanted, found))


def sound_of(path):  # what HEAR records of a wave file, as the game's reader gives it
    with wave.open(path) as w:
        frames, width, channels = w.readframes(w.getnframes()), w.getsampwidth(), w.getnchannels()
        first = [frames[i:i + width] for i in range(0, len(frames), width * channels)]
        level = [(b[0] - 128) / 128 if width == 1 else int.from_bytes(b, "little", signed=True) / 32768 for b in first]
        return [w.getnframes(), w.getframerate(), channels, sum(map(abs, level))]


class Page:
    def __init__(self, driver):
        self.d = driver

    def live(self):  # what a screen reader is told by the live region now, read from Chromium's accessibility tree
        cdp = self.d.execute_cdp_cmd
        find = {"expression": "document.getElementById('quizzola-parla')"}
        region = cdp("Runtime.evaluate", find)["result"]["objectId"]
        node = cdp("Accessibility.getPartialAXTree", {"objectId": region, "fetchRelatives": False})["nodes"][0]
        if {"name": "live", "value": {"type": "token", "value": "polite"}} not in node.get("properties", []):
            return "(no live region)"  # hidden from screen readers, or not read out as it changes
        texts = cdp("Accessibility.queryAXTree", {"objectId": region, "role": "StaticText"})["nodes"]
        return "".join(text["name"]["value"] for text in texts)

    def hears(self, text):  # waits till the live region says `text` (a pattern), gives its match
        return poll("the live region to say %r (it says %r)" % (text, self.live()),
                    lambda: re.fullmatch(text, self.live()))

    def keys(self, *keys):
        ActionChains(self.d).send_keys(*keys).perform()

    def open(self, url, name):  # loads the game and gives the name; gives the first question's k
        self.d.get(url)
        self.hears("Come ti chiami\\?")
        expect("page title", self.d.title, MAIN)
        self.keys(name, Keys.ENTER)
        self.hears(re.escape(GREETING % name))
        self.keys(Keys.ENTER)
        return int(self.hears(r"Quanto fa 9 per (\d+)\? .*").group(1))

    def answer(self, k, right):  # answers 9 x k, rightly or not, and asks for the next; gives its k
        self.keys(str(9 * k + (0 if right else 1)), Keys.ENTER)
        self.hears("Esatto! .* sei forte!" if right else "Sbagliato!! .*")
        self.keys(Keys.ENTER)
        return int(self.hears(r"Quanto fa 9 per (\d+)\? .*").group(1))

    def exit(self, congratulated):
        ActionChains(self.d).key_down(Keys.ALT).send_keys("x").key_up(Keys.ALT).perform()
        if congratulated:
            self.hears(re.escape(CONGRATULATION))
            self.keys(Keys.ENTER)
        self.hears("La partita è finita. .*")

    def mirror(self):  # presses the hidden button with which a screen reader turns Qt's mirror of the controls on
        self.d.execute_script("""const find = root => { for (const e of root.querySelectorAll('*')) {
            if (e.tagName === 'BUTTON' && e.textContent === 'Enable Screen Reader') return e;
            const inner = e.shadowRoot && find(e.shadowRoot); if (inner) return inner; } };
            find(document).click();""")

    def tap(self, x_twips, y_twips):  # a finger on the design's point, as the window places it in the page
        w, h = self.d.execute_script("return [innerWidth, innerHeight]")
        menu = 24  # the menu bar, above the design
        s = min(w / 792, (h - menu) / 554)
        x, y = (w - 792 * s) / 2 + x_twips / 15 * s, menu + y_twips / 15 * s
        for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
            self.d.execute_cdp_cmd("Input.dispatchTouchEvent", {"type": kind, "touchPoints": points})

    def input_mode(self):  # the input mode of the text input with the focus, or None
        return self.d.execute_script("""let e = document.activeElement;
            while (e && e.shadowRoot && e.shadowRoot.activeElement) e = e.shadowRoot.activeElement;
            return e && e.tagName === 'INPUT' ? e.getAttribute('inputmode') : null""")

    def ax_names(self):  # every name in the accessibility tree Chromium gives a screen reader
        nodes = self.d.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
        return [n["name"]["value"] for n in nodes if n.get("name", {}).get("value")]


def main(folder):
    base = http.server.SimpleHTTPRequestHandler  # quiet; nothing kept in the browser's HTTP cache
    handler = functools.partial(type("Handler", (base,), {"log_message": lambda *_: None, "end_headers": lambda self: (
        self.send_header("Cache-Control", "no-store"), base.end_headers(self))}), directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/" % server.server_address[1]
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--window-size=1280,800", "--lang=it"):
        options.add_argument(argument)
    options.binary_location = "/usr/bin/chromium"  # Debian's, driven by Debian's chromedriver
    driver = webdriver.Chrome(options=options, service=webdriver.ChromeService("/usr/bin/chromedriver"))
    try:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": HEAR})
        play(Page(driver), url, folder, server)
    finally:
        driver.quit()


def play(page, url, folder, server):
    d = page.d
    k = page.open(url, "Zoè & Co")  # typed at once; the greeting said with its "&"
    k = page.answer(k, True)
    expect("the question in the accessibility tree", any("9 per %d?" % k in n for n in page.ax_names()), True)
    k = page.answer(k, False)
    expect("sounds heard", d.execute_script("return heard"), [sound_of(folder + "/suoni/" + f)
                                                                 for f in ("Esatto.wav", "no.wav")])
    page.exit(congratulated=True)
    expect("the end page's button, focused", d.switch_to.active_element.text, "Gioca ancora")

    k = page.open(url, "Luigi")  # a reload: Qt's mirror of the controls, for screen readers, shows the record
    page.mirror()
    expect("the record's holder after a reload", "Zoè & Co" in page.ax_names(), True)
    k = page.answer(page.answer(k, True), True)
    luigi = d.current_window_handle
    d.switch_to.new_window("tab")  # Anna, in a second tab, beats the record Luigi read
    k = page.open(url, "Anna")
    for _ in range(3):
        k = page.answer(k, True)
    page.exit(congratulated=True)
    d.close()
    d.switch_to.window(luigi)
    poll("Luigi's tab in front", lambda: d.execute_script("return document.hasFocus() && !document.hidden || null"))
    expect("title of a tab once hidden", poll("the title", lambda: d.title if d.title != MAIN else None), MINIMISED)
    page.exit(congratulated=False)  # 2 beats the 1 Luigi read, not the 3 Anna saved meanwhile

    k = page.open(url, "Bea")
    page.mirror()
    expect("the higher record kept", "Anna" in page.ax_names(), True)
    page.answer(k, True)  # the focus goes to Nuovo calcolo; a touch on the answer box brings digits
    d.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1})
    page.tap(8160 + 2775 / 2, 600)
    expect("the keyboard a tap on the answer box asks for", poll("a text input", page.input_mode), "numeric")

    poll("the files kept for offline", lambda: d.execute_async_script(
        "caches.match('quizzola.wasm').then(kept => arguments[0](kept ? true : null))"))
    server.shutdown()
    server.server_close()
    page.answer(page.open(url, "Offline"), True)


if __name__ == "__main__":
    main(sys.argv[1])
