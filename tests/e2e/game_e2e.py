#!/usr/bin/python3
"""Plays Quizzola end to end, as a child would, in a private X server.

Usage: /usr/bin/python3 game_e2e.py <path to the quizzola program>

Everything runs in private surroundings that are torn down at the end:
an Xvfb server, a D-Bus session bus, the accessibility (AT-SPI) bus, and
temporary HOME / XDG_* folders. The keyboard is driven with xdotool, what
the window shows is read through the accessibility tree (pyatspi), and the
background colours are read from a screenshot of the X server (ImageMagick).

Scenario A: a first game. Name "Mario", one right answer, exit with a new
record: both record files are written and the record is congratulated.
Scenario B: a second game in the same data folder. Name "Luigi": the window
shows Mario's record, one wrong answer turns the background black, and the
exit saves nothing because no record was beaten.

Needs the Debian packages xvfb, xdotool, imagemagick, dbus-daemon,
at-spi2-core and python3-pyatspi. Exits 0 on success, 1 with a message on
the first failure.
"""

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Every scenario, even a hanging one, ends within this many seconds.
SCENARIO_SECONDS = 60
# A last guard for the whole run, below the CTest timeout, so the clean-up
# in `finally` always gets its turn.
WHOLE_RUN_SECONDS = 160
SCREEN = (1024, 768)

MAIN_TITLE = "Gioca con la Quizzola"
DIALOG_TITLE = "Quizzola"
NAME_PROMPT = "Come ti chiami?"
CONGRATULATION = "Ok! Ho registrato il tuo record, C A M P I O N E"


class Failure(Exception):
    """A check that did not hold; the message says what was expected and seen."""


class Unreadable(Exception):
    """The window does not (yet) show what a reading looks for: waits retry."""


def log(message):
    print(message, flush=True)


# --------------------------------------------------------------------------
# Time limits


class Deadline:
    """The end of the running scenario: every wait is cut to fit inside it."""

    end = None

    @classmethod
    def start(cls, seconds):
        cls.end = time.monotonic() + seconds

    @classmethod
    def clear(cls):
        cls.end = None

    @classmethod
    def cap(cls, seconds):
        if cls.end is None:
            return seconds
        left = cls.end - time.monotonic()
        if left <= 0:
            raise Failure("the scenario ran out of its %d s" % SCENARIO_SECONDS)
        return min(seconds, left)


def poll(what, probe, timeout, alive=None):
    """Calls probe() until it returns (value, seen) with a value that is not None.

    `seen` describes what was observed, for the failure message. Errors
    raised by probe (a window that vanished while being read, an
    accessibility call that timed out) count as "not yet". `alive`, when
    given, is called on every round and raises if the program has died.
    """
    limit = Deadline.cap(timeout)
    end = time.monotonic() + limit
    seen = "nothing"
    while True:
        if alive is not None:
            alive(what)
        try:
            value, seen = probe()
            if value is not None:
                return value
        except Failure:
            raise
        except Exception as error:  # noqa: BLE001 - see the docstring
            seen = "error: %s" % error
        if time.monotonic() >= end:
            raise Failure("waited %.0f s for %s; last seen: %s" % (limit, what, seen))
        time.sleep(0.1)


# --------------------------------------------------------------------------
# Processes


libc = ctypes.CDLL(None, use_errno=True)
PR_SET_CHILD_SUBREAPER = 36


def become_subreaper():
    """Processes our children leave behind (the accessibility bus and its
    registry daemon) become our children, so the clean-up can end them."""
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


# Kills the process groups it is told of, and removes the work folder, when
# its input ends without a final "done": that is, when this script was killed
# and could not clean up.
WATCHDOG = """
import os, shutil, signal, sys
groups = []
for line in sys.stdin:
    if line.strip() == "done":
        sys.exit(0)
    groups.append(int(line))
for group in groups:
    try:
        os.killpg(group, signal.SIGKILL)
    except OSError:
        pass
shutil.rmtree(sys.argv[1], ignore_errors=True)
"""


class Children:
    """The long-running processes of the test, each in its own session.

    Should this script be killed outright, the kernel kills each of them
    (setpriv --pdeathsig) and the watchdog kills what they started."""

    def __init__(self, workdir):
        self.processes = []
        self.watchdog = subprocess.Popen(
            [sys.executable, "-c", WATCHDOG, workdir], stdin=subprocess.PIPE,
            stdout=subprocess.DEVNULL, start_new_session=True)

    def start(self, command, env, stdout, stderr=subprocess.STDOUT, pass_fds=()):
        process = subprocess.Popen(
            ["setpriv", "--pdeathsig", "KILL", "--"] + command,
            env=env, stdin=subprocess.DEVNULL, stdout=stdout, stderr=stderr,
            pass_fds=pass_fds, start_new_session=True)
        self.processes.append(process)
        self.watchdog.stdin.write(b"%d\n" % process.pid)
        self.watchdog.stdin.flush()
        return process

    @staticmethod
    def stop(process):
        if process.poll() is None:
            for sig, grace in ((signal.SIGTERM, 3), (signal.SIGKILL, 5)):
                try:
                    os.killpg(process.pid, sig)
                except ProcessLookupError:
                    pass
                try:
                    process.wait(timeout=grace)
                    break
                except subprocess.TimeoutExpired:
                    continue

    def stop_all(self):
        for process in reversed(self.processes):
            self.stop(process)
        self.processes = []
        try:
            self.watchdog.stdin.write(b"done\n")
            self.watchdog.stdin.close()
            self.watchdog.wait(timeout=5)
        except (OSError, subprocess.TimeoutExpired):
            self.watchdog.kill()
            self.watchdog.wait()
        self.end_orphans()

    @staticmethod
    def orphans():
        me = os.getpid()
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % entry) as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
            except OSError:
                continue
            if int(fields[1]) == me:
                found.append(int(entry))
        return found

    def end_orphans(self):
        """Ends and reaps what was adopted through the subreaper."""
        for _ in range(5):
            pids = self.orphans()
            if not pids:
                return
            for pid in pids:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            for pid in pids:
                try:
                    os.waitpid(pid, 0)
                except ChildProcessError:
                    pass


def read_line_from(fd, what, timeout):
    """The first line a starting daemon writes to `fd`."""
    end = time.monotonic() + timeout
    data = b""
    while b"\n" not in data:
        left = end - time.monotonic()
        if left <= 0:
            raise Failure("%s did not start within %d s" % (what, timeout))
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            chunk = os.read(fd, 256)
            if not chunk:
                raise Failure("%s ended before it was ready" % what)
            data += chunk
    return data.split(b"\n", 1)[0].decode().strip()


# --------------------------------------------------------------------------
# The private desktop: X server, session bus, accessibility bus


class Desktop:
    def __init__(self, children, workdir):
        self.children = children
        self.workdir = workdir
        self.env = None
        self.display = None

    def start(self):
        base = dict(os.environ)
        # Nothing of the caller's desktop may leak in.
        for name in ("AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                     "SESSION_MANAGER", "XAUTHORITY", "DISPLAY"):
            base.pop(name, None)
        runtime = os.path.join(self.workdir, "runtime")
        os.makedirs(runtime, mode=0o700)
        base.update(HOME=os.path.join(self.workdir, "home"),
                    XDG_RUNTIME_DIR=runtime,
                    XDG_CONFIG_HOME=os.path.join(self.workdir, "config"),
                    XDG_CACHE_HOME=os.path.join(self.workdir, "cache"))
        os.makedirs(base["HOME"])

        log("starting Xvfb")
        read_end, write_end = os.pipe()
        with open(os.path.join(self.workdir, "xvfb.log"), "wb") as xlog:
            self.children.start(
                ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-noreset",
                 "-screen", "0", "%dx%dx24" % SCREEN],
                base, stdout=xlog, pass_fds=(write_end,))
        os.close(write_end)
        try:
            self.display = ":" + read_line_from(read_end, "Xvfb", 20)
        finally:
            os.close(read_end)
        base["DISPLAY"] = self.display
        log("  X display %s" % self.display)

        log("starting a private D-Bus session bus")
        read_end, write_end = os.pipe()
        with open(os.path.join(self.workdir, "dbus.log"), "wb") as dlog:
            self.children.start(
                ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                 "--address=unix:dir=%s" % runtime, "--print-address=%d" % write_end],
                base, stdout=dlog, pass_fds=(write_end,))
        os.close(write_end)
        try:
            base["DBUS_SESSION_BUS_ADDRESS"] = read_line_from(read_end, "dbus-daemon", 20)
        finally:
            os.close(read_end)

        log("starting the AT-SPI accessibility bus")
        with open(os.path.join(self.workdir, "at-spi.log"), "wb") as alog:
            self.children.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                base, stdout=alog)
        a11y_address = self.wait_for_accessibility_bus(base["DBUS_SESSION_BUS_ADDRESS"])
        log("  accessibility bus at %s" % a11y_address)
        self.env = base

    @staticmethod
    def wait_for_accessibility_bus(session_address):
        """Waits until org.a11y.Bus answers on the session bus and gives the
        accessibility bus address; before that a program would start a
        second launcher of its own through D-Bus activation."""
        import gi
        gi.require_version("Gio", "2.0")
        from gi.repository import Gio, GLib

        def probe():
            connection = Gio.DBusConnection.new_for_address_sync(
                session_address,
                Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
                | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
                None, None)
            try:
                owned = connection.call_sync(
                    "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                    "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)),
                    GLib.VariantType("(b)"), Gio.DBusCallFlags.NO_AUTO_START, 2000, None)
                if not owned.unpack()[0]:
                    return None, "org.a11y.Bus has no owner yet"
                reply = connection.call_sync(
                    "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                    GLib.VariantType("(s)"), Gio.DBusCallFlags.NO_AUTO_START, 2000, None)
                address = reply.unpack()[0]
                return (address or None), "address %r" % address
            finally:
                connection.close_sync(None)

        return poll("the accessibility bus (org.a11y.Bus)", probe, 20)

    def run(self, command, timeout=10, check=True):
        """Runs a short X client (xdotool, import) against the private display."""
        result = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=Deadline.cap(timeout))
        if check and result.returncode != 0:
            raise Failure("%s failed (%d): %s" % (" ".join(command), result.returncode,
                                                  result.stderr.decode(errors="replace").strip()))
        return result

    # Keyboard

    def focus(self, window):
        self.run(["xdotool", "windowfocus", "--sync", str(window)])

    def type_text(self, window, text):
        self.focus(window)
        self.run(["xdotool", "type", "--delay", "40", text])

    def key(self, window, key):
        self.focus(window)
        self.run(["xdotool", "key", key])

    def windows(self, pid, title_regex):
        result = self.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
                           "--name", title_regex], check=False)
        return [int(w) for w in result.stdout.split()]

    def geometry(self, window):
        out = self.run(["xdotool", "getwindowgeometry", "--shell", str(window)]).stdout.decode()
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return Rect(int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                    int(values["HEIGHT"]))

    # Screen

    def screenshot(self):
        data = self.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"],
                        timeout=20).stdout
        return Picture.from_ppm(data)


class Picture:
    def __init__(self, width, height, pixels, sample_bytes):
        self.width, self.height = width, height
        self.pixels, self.sample_bytes = pixels, sample_bytes

    @classmethod
    def from_ppm(cls, data):
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos) + 1
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        if fields[0] != b"P6":
            raise Failure("the screenshot is not a binary PPM: %r" % fields[0])
        width, height, maxval = (int(f) for f in fields[1:])
        sample_bytes = 1 if maxval < 256 else 2
        pixels = data[pos + 1:]
        if len(pixels) < width * height * 3 * sample_bytes:
            raise Failure("the screenshot is truncated")
        if maxval not in (255, 65535):
            raise Failure("unexpected screenshot depth, maxval %d" % maxval)
        return cls(width, height, pixels, sample_bytes)

    def at(self, x, y):
        n = self.sample_bytes
        i = (y * self.width + x) * 3 * n
        return tuple(self.pixels[i + c * n] for c in range(3))  # high byte first


# --------------------------------------------------------------------------
# Reading the screen through the accessibility tree


class Rect:
    def __init__(self, x, y, width, height):
        self.x, self.y, self.width, self.height = x, y, width, height

    @property
    def right(self):
        return self.x + self.width

    @property
    def bottom(self):
        return self.y + self.height

    def contains(self, x, y, margin=0):
        return (self.x - margin <= x < self.right + margin
                and self.y - margin <= y < self.bottom + margin)

    def __repr__(self):
        return "(%d,%d %dx%d)" % (self.x, self.y, self.width, self.height)


class Node:
    """One object of the tree, read once."""

    def __init__(self, role, name, rect, showing, focused, text):
        self.role, self.name, self.rect = role, name, rect
        self.showing, self.focused, self.text = showing, focused, text
        self.children = []

    def descendants(self):
        for child in self.children:
            yield child
            yield from child.descendants()

    def labels(self):
        return [n for n in self.children if n.role == "label"]

    def __repr__(self):
        return "%s %r %r" % (self.role, self.name, self.rect)


class Accessibility:
    def __init__(self):
        # The private buses are in os.environ by now.
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
        import pyatspi
        self.Atspi = Atspi
        self.pyatspi = pyatspi
        # No single accessibility call may hang a scenario.
        Atspi.set_timeout(3000, 10000)

    def application(self, pid):
        desktop = self.pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.get_process_id() == pid:
                # Names change while the game runs: never answer from a cache.
                app.set_cache_mask(self.Atspi.Cache.NONE)
                return app
        return None

    def read(self, accessible, depth=0):
        pyatspi = self.pyatspi
        role = accessible.getRoleName()
        states = accessible.getState()
        try:
            extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            rect = Rect(extents.x, extents.y, extents.width, extents.height)
        except NotImplementedError:
            rect = None
        text = None
        if role == "text":
            text = accessible.queryText().getText(0, -1)
        node = Node(role, accessible.name, rect, states.contains(pyatspi.STATE_SHOWING),
                    states.contains(pyatspi.STATE_FOCUSED), text)
        # Menus are never opened here; their popups are not worth reading.
        if depth < 4 and role not in ("menu bar", "popup menu"):
            for index in range(accessible.childCount):
                child = accessible.getChildAtIndex(index)
                if child is not None:
                    node.children.append(self.read(child, depth + 1))
        return node

    def windows(self, pid):
        """The program's top-level windows, read afresh; None before it registers."""
        app = self.application(pid)
        if app is None:
            return None
        app.clearCache()
        return [self.read(app.getChildAtIndex(i)) for i in range(app.childCount)
                if app.getChildAtIndex(i) is not None]


def describe(windows):
    if windows is None:
        return "the program is not in the accessibility tree"
    parts = []
    for w in windows:
        if w.showing:
            labels = [n.name for n in w.descendants() if n.role == "label" and n.name]
            parts.append("%s %r with labels %r" % (w.role, w.name, labels))
    return "; ".join(parts) or "no window on screen"


# --------------------------------------------------------------------------
# The game window, read as a person reads it


def same_row(a, b):
    return abs((a.y + a.height / 2) - (b.y + b.height / 2)) < max(a.height, b.height) / 2


def unique_label(labels, predicate, what):
    found = [n for n in labels if predicate(n)]
    if len(found) != 1:
        raise Unreadable("expected one %s, found %r" % (what, found))
    return found[0]


class GameWindow:
    """A reading of the main window: the question, counters, message and record."""

    def __init__(self, frame):
        self.frame = frame
        clients = [n for n in frame.children if n.role == "filler"]
        if len(clients) != 1:
            raise Unreadable("the main window has no single client area: %r" % frame.children)
        self.client = clients[0]
        self.labels = self.client.labels()

    def label(self, text):
        return unique_label(self.labels, lambda n: n.name == text, "label %r" % text)

    def has_label(self, text):
        return any(n.name == text for n in self.labels)

    def beside(self, left, right=None):
        """The label in the row of `left`, right of it and left of `right`."""
        def between(n):
            return (n is not left and n is not right and same_row(n.rect, left.rect)
                    and n.rect.x >= left.rect.right
                    and (right is None or n.rect.x < right.rect.x))
        found = sorted((n for n in self.labels if between(n)), key=lambda n: n.rect.x)
        if not found:
            raise Unreadable("nothing right of %r" % left)
        return found[0]

    def question(self):
        """(first factor, second factor) as shown: "9 X k =". """
        times = self.label("X")
        equals = self.label("=")
        first = unique_label(self.labels,
                             lambda n: same_row(n.rect, times.rect) and n.rect.right <= times.rect.x,
                             "number before X")
        second = self.beside(times, equals)
        return first.name, second.name

    def counter(self, heading):
        """The number shown below one of the three counter headings."""
        top = self.label(heading)

        def under(n):
            centre = n.rect.x + n.rect.width / 2
            return n is not top and n.rect.y >= top.rect.bottom and top.rect.x <= centre < top.rect.right
        found = sorted((n for n in self.labels if under(n)), key=lambda n: n.rect.y)
        if not found:
            raise Unreadable("no counter under %r" % heading)
        return found[0].name

    def record(self):
        """(holder, points) as the bottom line shows them, line ends dropped."""
        intro = unique_label(self.labels, lambda n: n.name.startswith("Il record"),
                             "'Il record è di' label")
        points_intro = self.label("con punti")
        holder = self.beside(intro, points_intro)
        points = self.beside(points_intro)
        return holder.name.rstrip("\r\n"), points.name.rstrip("\r\n")

    def answer_box(self):
        boxes = [n for n in self.client.children if n.role == "text"]
        if len(boxes) != 1:
            raise Unreadable("expected one answer box, found %r" % boxes)
        return boxes[0]

    def free_column(self, rows):
        """An x in the client area where no control covers any of `rows`."""
        controls = [n.rect for n in self.client.children if n.rect is not None]
        c = self.client.rect
        for x in range(c.right - 3, c.x + 2, -1):
            if not any(r.contains(x, y, margin=3) for r in controls for y in rows):
                return x
        raise Unreadable("no column of the client area is free of controls")


# --------------------------------------------------------------------------
# One game


class Game:
    def __init__(self, desktop, a11y, binary, data_home, tag):
        self.desktop, self.a11y = desktop, a11y
        self.binary, self.data_home, self.tag = binary, data_home, tag
        self.process = None
        self.log_path = os.path.join(desktop.workdir, "quizzola-%s.log" % tag)

    def say(self, message):
        log("[%s] %s" % (self.tag, message))

    def start(self):
        env = dict(self.desktop.env)
        env.update(XDG_DATA_HOME=self.data_home, QT_QPA_PLATFORM="xcb",
                   QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        with open(self.log_path, "wb") as out:
            self.process = self.desktop.children.start([self.binary], env, stdout=out)

    def output(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()[-3000:]
        except OSError:
            return ""

    def alive(self, what):
        code = self.process.poll()
        if code is not None:
            raise Failure("the program ended with code %d while waiting for %s" % (code, what))

    def wait(self, what, probe, timeout=20):
        return poll(what, probe, timeout, alive=self.alive)

    def read_windows(self):
        windows = self.a11y.windows(self.process.pid)
        return windows, describe(windows)

    # Dialogs

    def wait_dialog(self, text):
        """Waits for a dialog titled "Quizzola" showing `text`; gives its X window."""
        def probe():
            windows, seen = self.read_windows()
            for w in windows or []:
                if w.showing and w.name == DIALOG_TITLE and any(
                        n.role == "label" and n.name == text for n in w.descendants()):
                    return w, seen
            return None, seen
        self.wait("a dialog %r saying %r" % (DIALOG_TITLE, text), probe)

        def x_window():
            found = self.desktop.windows(self.process.pid, "^%s$" % re.escape(DIALOG_TITLE))
            return (found[0] if len(found) == 1 else None), "X windows %r" % found
        return self.wait("the X window of that dialog", x_window)

    def answer_dialog(self, text, typed=None):
        window = self.wait_dialog(text)
        self.say("dialog on screen: %r" % text)
        if typed is not None:
            self.desktop.type_text(window, typed)

            def field():
                windows, seen = self.read_windows()
                for w in windows or []:
                    for n in w.descendants():
                        if w.name == DIALOG_TITLE and n.role == "text":
                            return (True if n.text == typed else None), "field holds %r" % n.text
                return None, seen
            self.wait("the name field to hold %r" % typed, field, 10)
        self.desktop.key(window, "Return")

    # The main window

    def read_main(self):
        windows, seen = self.read_windows()
        for w in windows or []:
            if w.role == "frame" and w.name == MAIN_TITLE and w.showing:
                return GameWindow(w), seen
        return None, seen

    def wait_main(self, what, condition, timeout=20):
        def probe():
            main, seen = self.read_main()
            if main is None:
                return None, seen
            value = condition(main)
            return value, "main window labels %r" % [n.name for n in main.labels]
        return self.wait(what, probe, timeout)

    def open_main_window(self, name):
        self.start()
        self.say("program started, pid %d" % self.process.pid)
        self.answer_dialog(NAME_PROMPT, typed=name)
        self.answer_dialog(" %s vediamo se sei un vero campione  " % name)

        def question_asked(main):
            first, second = main.question()
            return (first, second) if second.isdigit() else None
        first, second = self.wait_main("the main window %r with a question" % MAIN_TITLE,
                                       question_asked)
        if first != "9":
            raise Failure("the question starts with %r, not 9" % first)
        k = int(second)
        self.say("main window on screen, question: 9 X %d =" % k)

        def x_window():
            found = self.desktop.windows(self.process.pid, "^%s" % re.escape(MAIN_TITLE))
            return (found[0] if len(found) == 1 else None), "X windows %r" % found
        self.main_window = self.wait("the X window of the main window", x_window)
        self.desktop.focus(self.main_window)
        self.wait_main("the answer box to have the keyboard focus",
                       lambda main: True if main.answer_box().focused else None, 10)
        return k

    def sample_rows(self):
        """The client area, and three rows (top, middle, bottom) with a column
        where no control covers them: there the background shows."""
        def sample(main):
            client = main.client.rect
            rows = [client.y + 1, client.y + client.height // 2, client.bottom - 2]
            return client, main.free_column(rows), rows
        client, x, rows = self.wait_main("a column of the client area free of controls",
                                         sample, 10)
        window = self.desktop.geometry(self.main_window)
        if not (window.x <= client.x and client.right <= window.right
                and window.y <= client.y and client.bottom <= window.bottom):
            raise Failure("client area %r lies outside the window %r" % (client, window))
        return client, x, rows

    def check_bands(self):
        """The client area shows 256 bands of (10s, 10s, band) for one shade s."""
        client, x, rows = self.sample_rows()

        def expected_blue(y):
            return min(255, int((y - client.y + 0.5) * 256 / client.height))

        def probe():
            shot = self.desktop.screenshot()
            seen = [(y, shot.at(x, y)) for y in rows]
            level = seen[0][1][0]
            ok = level % 10 == 0 and 0 <= level <= 140 and all(
                r == level and g == level and abs(b - expected_blue(y)) <= 2
                for y, (r, g, b) in seen)
            description = "pixels at x=%d: %s (expected blue %s)" % (
                x, seen, [expected_blue(y) for y in rows])
            return (level // 10 if ok else None), description
        shade = self.wait("the blue bands on the client area %r" % client, probe, 15)
        self.say("background bands ok at x=%d, shade %d: top (%d,%d,~0), bottom (%d,%d,~255)"
                 % (x, shade, 10 * shade, 10 * shade, 10 * shade, 10 * shade))

    def check_black(self):
        client, x, rows = self.sample_rows()

        def probe():
            shot = self.desktop.screenshot()
            seen = [(y, shot.at(x, y)) for y in rows]
            return (True if all(p == (0, 0, 0) for _, p in seen) else None), \
                "pixels at x=%d: %s" % (x, seen)
        self.wait("the client area to turn black", probe, 15)
        self.say("background is black")

    def answer(self, typed):
        self.desktop.type_text(self.main_window, typed)
        self.wait_main("the answer box to hold %r" % typed,
                       lambda main: True if main.answer_box().text == typed else None, 10)
        self.desktop.key(self.main_window, "Return")
        self.say("answered %s" % typed)

    def wait_exit(self, timeout=15):
        try:
            return self.process.wait(timeout=Deadline.cap(timeout))
        except subprocess.TimeoutExpired:
            _, seen = self.read_windows()
            raise Failure("the program did not end within %d s; on screen: %s" % (timeout, seen))


# --------------------------------------------------------------------------
# Scenarios


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as error:
        raise Failure("cannot read %s: %s" % (path, error))


def expect_equal(what, seen, expected):
    if seen != expected:
        raise Failure("%s: expected %r, found %r" % (what, expected, seen))


def scenario_first_game(desktop, a11y, binary, data_home):
    game = Game(desktop, a11y, binary, data_home, "A")
    try:
        k = game.open_main_window("Mario")
        game.check_bands()
        game.answer(str(9 * k))

        def judged(main):
            if not main.has_label("Esatto! Mario sei forte!"):
                return None
            return (main.counter("Risposte esatte"), main.counter("Risposte errate"),
                    main.counter("Risposte totali"))
        counters = game.wait_main("the message 'Esatto! Mario sei forte!'", judged, 10)
        expect_equal("counters right / wrong / total", counters, ("1", "0", "1"))
        game.say("message 'Esatto! Mario sei forte!', right answers 1")

        game.desktop.key(game.main_window, "alt+x")
        game.say("pressed Alt+X")
        game.answer_dialog(CONGRATULATION)
        code = game.wait_exit()
        expect_equal("exit code", code, 0)
        game.say("program ended with code 0")
    except Failure:
        log("[A] program output:\n" + game.output())
        raise

    folder = os.path.join(data_home, "quizzola")
    expect_equal("tavrec9.txt", read_bytes(os.path.join(folder, "tavrec9.txt")), b"1\r\n")
    expect_equal("ntavrec9.txt", read_bytes(os.path.join(folder, "ntavrec9.txt")), b"Mario\r\n")
    game.say("record files hold b'1\\r\\n' and b'Mario\\r\\n'")


def scenario_second_game(desktop, a11y, binary, data_home):
    folder = os.path.join(data_home, "quizzola")
    before = {name: read_bytes(os.path.join(folder, name))
              for name in ("tavrec9.txt", "ntavrec9.txt")}
    game = Game(desktop, a11y, binary, data_home, "B")
    try:
        k = game.open_main_window("Luigi")
        record = game.wait_main("the record line", lambda main: main.record(), 10)
        expect_equal("record holder and points shown", record, ("Mario", "1"))
        game.say("record shown: Mario, 1")
        game.check_bands()

        game.answer(str(9 * k + 1))
        wrong = "Sbagliato!! %d" % (9 * k)

        def judged(main):
            if not main.has_label(wrong):
                return None
            return (main.counter("Risposte esatte"), main.counter("Risposte errate"),
                    main.counter("Risposte totali"))
        counters = game.wait_main("the message %r" % wrong, judged, 10)
        expect_equal("counters right / wrong / total", counters, ("0", "1", "1"))
        game.say("message %r, wrong answers 1" % wrong)
        game.check_black()

        game.desktop.key(game.main_window, "alt+x")
        game.say("pressed Alt+X")
        code = game.wait_exit()
        expect_equal("exit code", code, 0)
        game.say("program ended with code 0 without any dialog")
    except Failure:
        log("[B] program output:\n" + game.output())
        raise

    for name, content in before.items():
        expect_equal(name + " after a game without a record",
                     read_bytes(os.path.join(folder, name)), content)
    game.say("record files unchanged")


# --------------------------------------------------------------------------


def on_alarm(signum, frame):
    raise Failure("the whole run took longer than %d s" % WHOLE_RUN_SECONDS)


def on_terminate(signum, frame):
    raise Failure("stopped by signal %d" % signum)


def main():
    if len(sys.argv) != 2:
        print("usage: %s <quizzola program>" % sys.argv[0], file=sys.stderr)
        return 2
    binary = os.path.abspath(sys.argv[1])
    signal.signal(signal.SIGALRM, on_alarm)
    signal.signal(signal.SIGTERM, on_terminate)
    signal.signal(signal.SIGINT, on_terminate)
    signal.alarm(WHOLE_RUN_SECONDS)
    become_subreaper()

    workdir = tempfile.mkdtemp(prefix="quizzola-e2e-")
    children = Children(workdir)
    try:
        if not os.access(binary, os.X_OK):
            raise Failure("no program at %s" % binary)
        desktop = Desktop(children, workdir)
        desktop.start()
        # pyatspi finds the accessibility bus through these.
        for name in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR", "HOME"):
            os.environ[name] = desktop.env[name]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        a11y = Accessibility()

        data_home = os.path.join(workdir, "data")
        os.makedirs(data_home)
        for title, scenario in (("A: first game, new record", scenario_first_game),
                                ("B: second game, record shown, wrong answer", scenario_second_game)):
            log("=== scenario %s" % title)
            Deadline.start(SCENARIO_SECONDS)
            scenario(desktop, a11y, binary, data_home)
            Deadline.clear()
            log("=== scenario %s: passed" % title)
        log("PASS: both scenarios passed")
        return 0
    except (Failure, Unreadable) as failure:
        log("FAIL: %s" % failure)
        return 1
    except Exception:  # noqa: BLE001 - any other fault fails the test too
        import traceback
        log("FAIL: unexpected error\n" + traceback.format_exc())
        return 1
    finally:
        signal.alarm(0)
        Deadline.clear()
        children.stop_all()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
