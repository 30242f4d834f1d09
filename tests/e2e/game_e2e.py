#!/usr/bin/python3
"""Plays Quizzola end to end, as a child would, in a private X server.

Usage: /usr/bin/python3 game_e2e.py <path to the quizzola program>

What it proves, on the real program:
  Game A, "Mario": the name prompt appears, the typed name reaches its field,
  the greeting names the child, the main window asks "9 X k =" (k read through
  the accessibility tree), the background shows the blue bands in one grey
  shade at its top, middle and bottom, the answer 9k gives "Esatto! Mario sei
  forte!" and counters 1/0/1, Alt+X congratulates the new record, the program
  ends with code 0 and the record files hold exactly b"1\\r\\n" and
  b"Mario\\r\\n".
  Game B, "Luigi", same data folder: the window shows Mario's record of 1 and
  the bands, the answer 9k+1 gives "Sbagliato!! 9k", counters 0/1/1 and a
  black background, Alt+X ends the program at once with code 0, and the
  record files are unchanged.

Why this way: only a real X server, a real accessibility bus and real key
presses show that the parts tested one by one make the game a child sees.
It all runs in surroundings of its own (Xvfb, a D-Bus session bus, the AT-SPI
bus, temporary HOME and XDG folders), every wait polls with a timeout, and
whatever was started is killed in `finally`; were this script killed
outright, its children would die with it (setpriv --pdeathsig).

Needs xvfb, xdotool, imagemagick, dbus-daemon, at-spi2-core and
python3-pyatspi. Exits 0 on success, 1 with a message on the first failure.
"""

import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WHOLE_RUN_SECONDS = 160  # below CTest's 180, so `finally` always gets its turn
SCREEN_W, SCREEN_H = 1024, 768
MAIN_TITLE = "Gioca con la Quizzola"
DIALOG_TITLE = "Quizzola"
NAME_PROMPT = "Come ti chiami?"
CONGRATULATION = "Ok! Ho registrato il tuo record, C A M P I O N E"
COUNTERS = ("Risposte esatte", "Risposte errate", "Risposte totali")
RECORD_FILES = ("tavrec9.txt", "ntavrec9.txt")

pyatspi = None  # imported once the private buses are in os.environ
children = []   # every long-running process started, oldest first


class Failure(Exception):
    """A check that did not hold. Other errors met while waiting (a window
    not readable yet, an accessibility call timing out) only mean "not yet"."""


def log(message):
    print(message, flush=True)


def expect(what, seen, expected):
    if seen != expected:
        raise Failure("%s: expected %r, found %r" % (what, expected, seen))


def poll(what, probe, timeout=20, alive=lambda: None):
    """Calls probe() until it gives (value, seen) with a value that is not
    None; `seen` tells the failure message what was last observed."""
    end, seen = time.monotonic() + timeout, "nothing"
    while True:
        alive()
        try:
            value, seen = probe()
            if value is not None:
                return value
        except Failure:
            raise
        except Exception as error:  # noqa: BLE001 - "not yet", see Failure
            seen = "error: %r" % error
        if time.monotonic() >= end:
            raise Failure("waited %d s for %s; last seen: %s" % (timeout, what, seen))
        time.sleep(0.1)


# --------------------------------------------------- processes and desktop

def start(command, env, log_path, pass_fds=()):
    """Starts a process in a session, and so a process group, of its own."""
    with open(log_path, "ab") as out:
        children.append(subprocess.Popen(
            ["setpriv", "--pdeathsig", "KILL", "--"] + command, env=env,
            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
            pass_fds=pass_fds, start_new_session=True))
    return children[-1]


def stop_all():
    """Ends every process group, with whatever its leader started."""
    while children:
        process = children.pop()
        for sig, grace in ((signal.SIGTERM, 3), (signal.SIGKILL, 5)):
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                pass
            try:
                process.wait(timeout=grace)
            except subprocess.TimeoutExpired:
                pass


def start_daemon(command, env, log_path, what):
    """Starts a daemon that writes a line to the fd named by {fd} once it is
    ready; gives that line."""
    read_end, write_end = os.pipe()
    try:
        start([a.replace("{fd}", str(write_end)) for a in command], env, log_path, (write_end,))
    finally:
        os.close(write_end)
    data, end = b"", time.monotonic() + 20
    try:
        while b"\n" not in data:
            if not select.select([read_end], [], [], max(0, end - time.monotonic()))[0]:
                raise Failure("%s did not start within 20 s" % what)
            chunk = os.read(read_end, 256)
            if not chunk:
                raise Failure("%s ended before it was ready" % what)
            data += chunk
    finally:
        os.close(read_end)
    return data.split(b"\n", 1)[0].decode().strip()


def start_desktop(workdir):
    """Xvfb, a session bus and the accessibility bus; gives their environment."""
    env = {k: v for k, v in os.environ.items() if k not in (
        "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
        "SESSION_MANAGER", "XAUTHORITY", "DISPLAY")}
    for name in ("HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"):
        env[name] = os.path.join(workdir, name.lower())
        os.makedirs(env[name], mode=0o700)
    env["DISPLAY"] = ":" + start_daemon(
        ["Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-noreset",
         "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H)],
        env, os.path.join(workdir, "xvfb.log"), "Xvfb")
    env["DBUS_SESSION_BUS_ADDRESS"] = start_daemon(
        ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}",
         "--address=unix:dir=" + env["XDG_RUNTIME_DIR"]],
        env, os.path.join(workdir, "dbus.log"), "dbus-daemon")
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], env,
          os.path.join(workdir, "at-spi.log"))

    # Until the launcher owns org.a11y.Bus, a program asking for it would
    # have D-Bus start a second launcher: wait for the name to be taken.
    def a11y_bus_owned():
        reply = subprocess.run(
            ["dbus-send", "--bus=" + env["DBUS_SESSION_BUS_ADDRESS"], "--print-reply",
             "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
             "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus"],
            env=env, capture_output=True, timeout=10).stdout.decode()
        return (True if "boolean true" in reply else None), reply.strip()
    poll("org.a11y.Bus to have an owner", a11y_bus_owned)
    log("private desktop on display %s" % env["DISPLAY"])
    return env


# ------------------------------------------------ the accessibility tree

class Node:
    """One accessible object and those below it, read once."""

    def __init__(self, accessible, depth=0):
        states = accessible.getState()
        self.role, self.name = accessible.getRoleName(), accessible.name
        self.showing = states.contains(pyatspi.STATE_SHOWING)
        self.focused = states.contains(pyatspi.STATE_FOCUSED)
        try:
            e = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            self.x, self.y, self.right, self.bottom = e.x, e.y, e.x + e.width, e.y + e.height
        except NotImplementedError:
            self.x = None
        self.text = accessible.queryText().getText(0, -1) if self.role == "text" else None
        # Menus are never opened here; their popups are not worth reading.
        below = depth < 4 and self.role not in ("menu bar", "popup menu")
        self.children = [Node(c, depth + 1) for c in (
            accessible.getChildAtIndex(i) for i in range(accessible.childCount if below else 0))
            if c is not None]

    def descendants(self):
        for child in self.children:
            yield child
            yield from child.descendants()

    def same_row(self, other):  # centres closer than half the taller height
        return abs(self.y + self.bottom - other.y - other.bottom) < max(
            self.bottom - self.y, other.bottom - other.y)

    def __repr__(self):
        return "%s %r" % (self.role, self.name)


def top_windows(pid):
    """The program's top-level windows, read afresh; [] before it registers."""
    desktop = pyatspi.Registry.getDesktop(0)
    desktop.clearCache()
    for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
        if app is not None and app.get_process_id() == pid:
            app.set_cache_mask(pyatspi.Atspi.Cache.NONE)  # texts change: no cache
            app.clearCache()
            return [Node(w) for w in (app.getChildAtIndex(i) for i in range(app.childCount))
                    if w is not None]
    return []


def one(nodes, what):
    nodes = list(nodes)
    if len(nodes) != 1:
        raise LookupError("expected one %s, found %r" % (what, nodes))
    return nodes[0]


class Board:
    """The main window's client area, read as a child reads it: by position."""

    def __init__(self, frame):
        self.client = one((n for n in frame.children if n.role == "filler"), "client area")
        self.labels = [n for n in self.client.children if n.role == "label"]

    def label(self, text):
        return one((n for n in self.labels if n.name == text), "label %r" % text)

    def right_of(self, left, before=None):
        """The nearest label in the row of `left`, right of it and left of `before`."""
        found = sorted((n for n in self.labels if n not in (left, before) and n.same_row(left)
                        and n.x >= left.right and (before is None or n.x < before.x)),
                       key=lambda n: n.x)
        return one(found[:1], "label right of %r" % left).name.rstrip("\r\n")

    def question(self):
        """(first factor, k) of "9 X k =", once k is a number."""
        times = self.label("X")
        first = one((n for n in self.labels if n.same_row(times) and n.right <= times.x),
                    "number before X")
        k = self.right_of(times, self.label("="))
        return (first.name, k) if k.isdigit() else None

    def counters(self):
        """The numbers below the right / wrong / total headings."""
        def below(top):
            return one(sorted((n for n in self.labels if n is not top and n.y >= top.bottom
                               and top.x <= (n.x + n.right) / 2 < top.right),
                              key=lambda n: n.y)[:1], "number below %r" % top).name
        return tuple(below(self.label(heading)) for heading in COUNTERS)

    def record(self):
        """(holder, points) as the bottom line shows them."""
        intro = one((n for n in self.labels if n.name.startswith("Il record")), "record label")
        points = self.label("con punti")
        return self.right_of(intro, points), self.right_of(points)

    def answer_box(self):
        return one((n for n in self.client.children if n.role == "text"), "answer box")

    def free_column(self, rows):
        """An x where no control covers any of `rows`: the background shows."""
        controls = [n for n in self.client.children if n.x is not None]
        for x in range(self.client.right - 3, self.client.x + 2, -1):
            if not any(c.x - 3 <= x < c.right + 3 and c.y - 3 <= y < c.bottom + 3
                       for c in controls for y in rows):
                return x
        raise LookupError("no column of the client area is free of controls")


# --------------------------------------------------------------- one game

class Game:
    def __init__(self, env, binary, data_home, workdir, tag):
        self.env, self.tag, self.window = env, tag, None
        self.process = start([binary], dict(
            env, XDG_DATA_HOME=data_home, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"), os.path.join(workdir, "quizzola-%s.log" % tag))

    def say(self, message):
        log("[%s] %s" % (self.tag, message))

    def wait(self, what, probe, timeout=20):
        def alive():
            if self.process.poll() is not None:
                raise Failure("the program ended with code %d while waiting for %s"
                              % (self.process.returncode, what))
        return poll(what, probe, timeout, alive)

    def x(self, *command, check=True):
        """Runs a short X client against the private display; gives its output."""
        result = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=20)
        if check and result.returncode != 0:
            raise Failure("%s failed: %s" % (" ".join(command), result.stderr.decode().strip()))
        return result.stdout

    def press(self, *keys, typed=None):
        # With no window manager the focus has to be given by hand every time.
        self.x("xdotool", "windowfocus", "--sync", str(self.window))
        if typed is not None:
            self.x("xdotool", "type", "--delay", "40", typed)
        if keys:
            self.x("xdotool", "key", *keys)

    def find_window(self, title_regex):
        def probe():
            found = [int(w) for w in self.x("xdotool", "search", "--all", "--onlyvisible", "--pid",
                                            str(self.process.pid), "--name", title_regex,
                                            check=False).split()]
            return (found[0] if len(found) == 1 else None), "X windows %r" % found
        self.window = self.wait("one X window titled %r" % title_regex, probe)

    def dialog(self, text, typed=None):
        """Waits for the dialog showing `text`, types `typed`, presses Return."""
        def in_dialog(wanted):
            shown = [w for w in top_windows(self.process.pid) if w.showing]
            return (True if any(wanted(n) for w in shown if w.name == DIALOG_TITLE
                                for n in w.descendants()) else None,
                    "on screen: %r" % [(w, [n.name for n in w.descendants()]) for w in shown])
        self.wait("a dialog saying %r" % text,
                  lambda: in_dialog(lambda n: n.role == "label" and n.name == text))
        self.say("dialog on screen: %r" % text)
        self.find_window("^%s$" % re.escape(DIALOG_TITLE))
        if typed is not None:
            self.press(typed=typed)
            self.wait("the name field to hold %r" % typed,
                      lambda: in_dialog(lambda n: n.role == "text" and n.text == typed), 10)
        self.press("Return")

    def board(self, what, read, timeout=20):
        """Waits until read(the main window's Board) gives something."""
        def probe():
            for w in top_windows(self.process.pid):
                if w.role == "frame" and w.name == MAIN_TITLE and w.showing:
                    board = Board(w)
                    return read(board), "main window labels %r" % [n.name for n in board.labels]
            return None, "no main window %r on screen" % MAIN_TITLE
        return self.wait(what, probe, timeout)

    def open(self, name):
        """From the name prompt to the main window; gives k of "9 X k =". """
        self.dialog(NAME_PROMPT, typed=name)
        self.dialog(" %s vediamo se sei un vero campione  " % name)
        first, k = self.board("a question in the main window", Board.question)
        expect("first factor", first, "9")
        self.say("main window asks 9 X %s =" % k)
        self.find_window("^%s" % re.escape(MAIN_TITLE))
        self.press()
        self.board("the answer box to have the focus",
                   lambda b: True if b.answer_box().focused else None, 10)
        return int(k)

    def background(self, what, pixel_ok):
        """Takes screenshots until pixel_ok(row, client height, (r, g, b), top
        pixel) holds at the top, middle and bottom rows of the client area."""
        def rows_and_column(b):
            rows = [b.client.y + 1, (b.client.y + b.client.bottom) // 2, b.client.bottom - 2]
            return b.client, rows, b.free_column(rows)
        client, rows, x = self.board("a column free of controls", rows_and_column, 10)
        # The root window is black too: make sure the pixels read are the game's.
        g = dict(line.split("=") for line in self.x(
            "xdotool", "getwindowgeometry", "--shell", str(self.window)).decode().split())
        gx, gy = int(g["X"]), int(g["Y"])
        if not (gx <= client.x and client.right <= gx + int(g["WIDTH"])
                and gy <= client.y and client.bottom <= gy + int(g["HEIGHT"])):
            raise Failure("the client area lies outside the window %r" % g)

        def probe():
            shot = self.x("import", "-silent", "-window", "root", "-depth", "8", "rgb:-")
            expect("screenshot size", len(shot), SCREEN_W * SCREEN_H * 3)
            seen = [(y, tuple(shot[3 * (y * SCREEN_W + x) + c] for c in range(3))) for y in rows]
            ok = all(pixel_ok(y - client.y, client.bottom - client.y, p, seen[0][1])
                     for y, p in seen)
            return (seen if ok else None), "pixels at x=%d: %r" % (x, seen)
        self.say("%s at x=%d: %r" % (what, x, self.wait(what, probe, 15)))

    def answer(self, typed, message, counters):
        self.press(typed=typed)
        self.board("the answer box to hold %r" % typed,
                   lambda b: True if b.answer_box().text == typed else None, 10)
        self.press("Return")
        seen = self.board("the message %r" % message, lambda b: b.counters()
                          if message in (n.name for n in b.labels) else None, 10)
        expect("counters right / wrong / total", seen, counters)
        self.say("answered %s: %r, counters %s" % (typed, message, "/".join(seen)))

    def exit_code(self, timeout=15):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within %d s" % timeout) from None


def bands(row, height, pixel, top):
    """Band i of 256 is (10s, 10s, i), s the game's one shade (0 to 14)."""
    level = top[0]
    return (level % 10 == 0 and level <= 140 and pixel[0] == pixel[1] == level
            and abs(pixel[2] - min(255, int((row + 0.5) * 256 / height))) <= 2)


def black(row, height, pixel, top):
    return pixel == (0, 0, 0)


def record_files(folder):
    return [open(os.path.join(folder, name), "rb").read() for name in RECORD_FILES]


# -------------------------------------------------------------- the games

def first_game(game, folder):
    k = game.open("Mario")
    game.background("the blue bands", bands)
    game.answer(str(9 * k), "Esatto! Mario sei forte!", ("1", "0", "1"))
    game.press("alt+x")
    game.dialog(CONGRATULATION)
    expect("exit code", game.exit_code(), 0)
    expect("record files", record_files(folder), [b"1\r\n", b"Mario\r\n"])
    game.say("ended with code 0; record files hold b'1\\r\\n' and b'Mario\\r\\n'")


def second_game(game, folder):
    before = record_files(folder)
    k = game.open("Luigi")
    expect("record shown", game.board("the record line", Board.record, 10), ("Mario", "1"))
    game.say("record shown: Mario, 1")
    game.background("the blue bands", bands)
    game.answer(str(9 * k + 1), "Sbagliato!! %d" % (9 * k), ("0", "1", "1"))
    game.background("a black background", black)
    game.press("alt+x")
    expect("exit code after Alt+X with no record", game.exit_code(), 0)
    expect("record files after a game without a record", record_files(folder), before)
    game.say("ended at once with code 0; record files unchanged")


def on_signal(signum, frame):
    raise Failure("stopped by signal %d (the whole run may take %d s)"
                  % (signum, WHOLE_RUN_SECONDS))


def main():
    global pyatspi
    if len(sys.argv) != 2:
        print("usage: %s <quizzola program>" % sys.argv[0], file=sys.stderr)
        return 2
    binary = os.path.abspath(sys.argv[1])
    for sig in (signal.SIGALRM, signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, on_signal)
    signal.alarm(WHOLE_RUN_SECONDS)
    workdir = tempfile.mkdtemp(prefix="quizzola-e2e-")
    try:
        if not os.access(binary, os.X_OK):
            raise Failure("no program at %s" % binary)
        env = start_desktop(workdir)
        # pyatspi finds the private accessibility bus through these.
        for name in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "HOME"):
            os.environ[name] = env[name]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        import pyatspi
        pyatspi.Atspi.set_timeout(3000, 10000)  # no accessibility call may hang
        data_home = os.path.join(workdir, "data")
        for tag, game in (("A", first_game), ("B", second_game)):
            log("=== game %s: %s" % (tag, game.__name__))
            game(Game(env, binary, data_home, workdir, tag), os.path.join(data_home, "quizzola"))
        log("PASS: both games played as expected")
        return 0
    except Exception as error:  # noqa: BLE001 - any fault fails the test
        log("FAIL: %s%s" % ("" if isinstance(error, Failure) else type(error).__name__ + ": ",
                            error))
        for name in sorted(os.listdir(workdir)):
            if name.endswith(".log"):
                with open(os.path.join(workdir, name), errors="replace") as f:
                    log("--- %s, last lines:\n%s" % (name, "".join(f.readlines()[-15:])))
        return 1
    finally:
        signal.alarm(0)
        stop_all()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
