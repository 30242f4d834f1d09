#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
r"""Plays Quizzola end to end, as a child would, in a private X server.

Usage: /usr/bin/python3 game_e2e.py <path to the quizzola program>

Game A ("Mario"): the name prompt takes the typed name, the greeting names the
child, the main window asks "9 X k =" (k read through the accessibility tree)
over blue bands in one grey shade, the answer 9k gives "Esatto! Mario sei
forte!" and counters 1/0/1, Alt+X congratulates the new record, the program
ends with code 0 and the record files hold exactly b"1\r\n" and b"Mario\r\n".
Game B ("Luigi", same data folder): Mario's record of 1 is shown, the answer
9k+1 gives "Sbagliato!! 9k", counters 0/1/1 and a black background, Alt+X ends
the program at once with code 0 and the record files stay as they were.

Only a real X server, accessibility bus and keyboard show that the parts tested
one by one make up the game a child sees. It all runs in surroundings of its
own (Xvfb, D-Bus session bus, AT-SPI bus, temporary HOME and XDG folders), every
wait polls with a timeout, whatever was started is killed in `finally`, and
were this script killed outright its children would end too (setpriv
--pdeathsig). Needs xvfb, xdotool, imagemagick, dbus-daemon, at-spi2-core and
python3-pyatspi. Exits 0 on success, 1 with a message on the first failure.
"""

import contextlib
import os
import pathlib
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
    """Starts a process in a session, and so a process group, of its own.
    Should this script die first, the process gets a SIGTERM: one it can act
    on, so the accessibility bus launcher takes its own bus down too."""
    with open(log_path, "ab") as out:
        children.append(subprocess.Popen(
            ["setpriv", "--pdeathsig", "TERM", "--"] + command, env=env,
            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
            pass_fds=pass_fds, start_new_session=True))
    return children[-1]


def stop_all():
    """Ends every process group, with whatever its leader started."""
    for process in reversed(children):
        for sig, grace in ((signal.SIGTERM, 3), (signal.SIGKILL, 5)):
            with contextlib.suppress(ProcessLookupError):
                os.killpg(process.pid, sig)
            with contextlib.suppress(subprocess.TimeoutExpired):
                process.wait(timeout=grace)
    children.clear()


def run(env, *command, check=True):
    """Runs a short client (xdotool, import, dbus-send); gives its output."""
    result = subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                            capture_output=True, timeout=20)
    if check and result.returncode != 0:
        raise Failure("%s failed: %s" % (" ".join(command), result.stderr.decode().strip()))
    return result.stdout


def start_daemon(command, env, log_path, what):
    """Starts a daemon; gives the line it writes to the fd named {fd} once ready."""
    read_end, write_end = os.pipe()
    try:
        start([a.replace("{fd}", str(write_end)) for a in command], env, log_path, (write_end,))
    finally:
        os.close(write_end)
    with os.fdopen(read_end, "rb", buffering=0) as pipe:
        line, end = b"", time.monotonic() + 20
        while not line.endswith(b"\n"):
            if not select.select([pipe], [], [], max(0, end - time.monotonic()))[0]:
                raise Failure("%s was not ready within 20 s" % what)
            chunk = pipe.read(1)
            if not chunk:
                raise Failure("%s ended before it was ready" % what)
            line += chunk
    return line.decode().strip()


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

    # A program asking for org.a11y.Bus before the launcher owns it would have
    # D-Bus start a second launcher; and a program that finds no accessibility
    # bus cannot be read. So wait for the name to be owned.
    poll("org.a11y.Bus to have an owner", lambda: (True if b"boolean true" in run(
        env, "dbus-send", "--bus=" + env["DBUS_SESSION_BUS_ADDRESS"], "--print-reply",
        "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
        "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus") else None, "no owner yet"))
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

    def row(self, text):
        """The texts of the row of the label `text`, left to right, and its index."""
        anchor = self.label(text)
        row = sorted((n for n in self.labels if n.same_row(anchor)), key=lambda n: n.x)
        return [n.name.rstrip("\r\n") for n in row], row.index(anchor)

    def question(self):
        """(first factor, k) of "9 X k =", once k is a number."""
        texts, i = self.row("X")
        first, (k, equals) = one(texts[:i], "number before X"), texts[i + 1:i + 3]
        return (first, k) if equals == "=" and k.isdigit() else None

    def counters(self):
        """The numbers below the right / wrong / total headings."""
        def below(top):
            return one(sorted((n for n in self.labels if n is not top and n.y >= top.bottom
                               and top.x <= (n.x + n.right) / 2 < top.right),
                              key=lambda n: n.y)[:1], "number below %r" % top).name
        return tuple(below(self.label(heading)) for heading in COUNTERS)

    def record(self):
        """(holder, points) as the bottom line "Il record è di H con punti P" shows them."""
        texts, i = self.row("con punti")
        (intro, holder), points = texts[:i][-2:], texts[i + 1]
        return (holder, points) if intro.startswith("Il record") else None

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
        self.env, self.tag, self.window, self.spot = env, tag, None, None
        self.process = start([binary], dict(
            env, XDG_DATA_HOME=data_home, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"), os.path.join(workdir, "quizzola-%s.log" % tag))

    def say(self, message):
        print("[%s] %s" % (self.tag, message))

    def wait(self, what, probe, timeout=20):
        def alive():
            if self.process.poll() is not None:
                raise Failure("the program ended with code %d while waiting for %s"
                              % (self.process.returncode, what))
        return poll(what, probe, timeout, alive)

    def press(self, *keys, typed=None):
        # With no window manager the focus has to be given by hand every time.
        run(self.env, "xdotool", "windowfocus", "--sync", str(self.window))
        if typed is not None:
            run(self.env, "xdotool", "type", "--delay", "40", typed)
        if keys:
            run(self.env, "xdotool", "key", *keys)

    def find_window(self, title_regex):
        def probe():
            found = [int(w) for w in run(self.env, "xdotool", "search", "--all", "--onlyvisible",
                                         "--pid", str(self.process.pid), "--name", title_regex,
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
        """Screenshots until pixel_ok(row, client height, (r, g, b), top pixel)
        holds at the top, middle and bottom rows of the client area. The spot is
        chosen once, so black is read where the bands were (the root is black too)."""
        def rows_and_column(b):
            rows = [b.client.y + 1, (b.client.y + b.client.bottom) // 2, b.client.bottom - 2]
            return b.client, rows, b.free_column(rows)
        self.spot = self.spot or self.board("a column free of controls", rows_and_column, 10)
        client, rows, x = self.spot

        def probe():
            shot = run(self.env, "import", "-silent", "-window", "root", "-depth", "8", "rgb:-")
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

    def exit_code(self):
        return poll("the program to end", lambda: (self.process.poll(), "it still runs"), 15)


def bands(row, height, pixel, top):
    """Band i of 256 is (10s, 10s, i), s the game's one shade (0 to 14)."""
    level = top[0]
    return (level % 10 == 0 and level <= 140 and pixel[0] == pixel[1] == level
            and abs(pixel[2] - min(255, int((row + 0.5) * 256 / height))) <= 2)


def record_files(folder):
    return [pathlib.Path(folder, name).read_bytes() for name in RECORD_FILES]


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
    game.background("a black background", lambda row, height, pixel, top: pixel == (0, 0, 0))
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
        sys.exit("usage: %s <quizzola program>" % sys.argv[0])
    binary = os.path.abspath(sys.argv[1])
    sys.stdout.reconfigure(line_buffering=True)  # the log keeps step with the game
    for sig in (signal.SIGALRM, signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, on_signal)
    signal.alarm(WHOLE_RUN_SECONDS)
    workdir = tempfile.mkdtemp(prefix="quizzola-e2e-")
    try:
        env = start_desktop(workdir)
        os.environ.clear()  # pyatspi finds the private buses through these
        os.environ.update(env)
        import pyatspi
        pyatspi.Atspi.set_timeout(3000, 10000)  # no accessibility call may hang
        os.makedirs(data_home := os.path.join(workdir, "data"))
        for tag, game in (("A", first_game), ("B", second_game)):
            game(Game(env, binary, data_home, workdir, tag), os.path.join(data_home, "quizzola"))
        print("PASS: both games played as expected")
        return 0
    except Exception as error:  # noqa: BLE001 - any fault fails the test
        print("FAIL: %s%s" % ("" if isinstance(error, Failure) else type(error).__name__ + ": ",
                              error))
        for name in sorted(os.listdir(workdir)):
            if name.endswith(".log"):
                with open(os.path.join(workdir, name), errors="replace") as f:
                    print("--- %s, last lines:\n%s" % (name, "".join(f.readlines()[-15:])))
        return 1
    finally:
        signal.alarm(0)
        stop_all()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
