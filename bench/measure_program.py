#!/usr/bin/python3
"""Measures the real Quizzola program in an X server that is already running.

Usage: measure_program.py --program PATH --display :N [--runs 11]
                          [--idle-seconds 30] [--json OUT]

scripts/bench.sh starts a private Xvfb (no window manager) and calls this.
It speaks to the X server directly through libX11 (ctypes), so waiting for a
window costs nothing between events:

  launch   spawning the program -> the "Quizzola" name prompt mapped and
           viewable (a MapNotify on the root window, then its map state).
  greeting Enter pressed on the greeting (XTest) -> the main window
           "Gioca con la Quizzola" mapped with the first question's bands on
           screen: pixels of the client area are read back on every damage
           report of the window (X Damage extension) until they show bands.
  game     one game, with the window sized to the screen as a window manager
           maximising it would: a few answers (digits, Enter, Alt+N), at
           least one of them right (a right answer keeps the bands on
           screen, a wrong one blacks them out, so the screen tells), then
           the clock alone for --idle-seconds (CPU from /proc/<pid>/stat),
           the peak RSS (VmHWM), and Alt+X.

Every program it starts is ended before it returns, also on failure.
Needs: libX11, libXtst and libXdamage (shared libraries), xdotool.
"""

import argparse
import ctypes
import ctypes.util
import json
import os
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

PROMPT_TITLE = "Quizzola"
MAIN_TITLE = "Gioca con la Quizzola"
WAIT_SECONDS = 15
# A game gives up waiting for a right answer after this many questions.
MAX_ANSWERS = 40


class Failure(Exception):
    pass


def log(message):
    print(message, file=sys.stderr, flush=True)


# --------------------------------------------------------------------------
# A minimal libX11 binding


Window = ctypes.c_ulong
Atom = ctypes.c_ulong

MAP_NOTIFY = 19
UNMAP_NOTIFY = 18
DESTROY_NOTIFY = 17
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
IS_VIEWABLE = 2
Z_PIXMAP = 2
ALL_PLANES = 0xFFFFFFFFFFFFFFFF
XK_RETURN = 0xFF0D
DAMAGE_REPORT_RAW_RECTANGLES = 0


class XAnyEvent(ctypes.Structure):
    # Every event of interest here (map, unmap, destroy, damage) has the
    # window (or drawable) it concerns at one of these two places.
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("event", Window),   # MapNotify: the parent; Damage: the drawable
        ("window", Window),  # MapNotify: the window mapped; Damage: the damage
    ]


class XEvent(ctypes.Union):
    _fields_ = [("any", XAnyEvent), ("pad", ctypes.c_long * 24)]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int),
        ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
        ("visual", ctypes.c_void_p), ("root", Window),
        ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
        ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
        ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
        ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
        ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
        ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
        ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
        ("screen", ctypes.c_void_p),
    ]


def load(name):
    path = ctypes.util.find_library(name)
    if not path:
        raise Failure("the shared library lib%s is missing" % name)
    return ctypes.CDLL(path)


class X:
    """One connection to the X server, listening to the root window."""

    def __init__(self, display_name):
        self.xlib = xlib = load("X11")
        self.xtst = load("Xtst")
        self.xdamage = load("Xdamage")

        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XDefaultRootWindow.restype = Window
        xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        xlib.XSelectInput.argtypes = [ctypes.c_void_p, Window, ctypes.c_long]
        xlib.XPending.argtypes = [ctypes.c_void_p]
        xlib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        xlib.XConnectionNumber.argtypes = [ctypes.c_void_p]
        xlib.XFlush.argtypes = [ctypes.c_void_p]
        xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        xlib.XInternAtom.restype = Atom
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
            ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        xlib.XFree.argtypes = [ctypes.c_void_p]
        xlib.XGetWindowAttributes.argtypes = [
            ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
        xlib.XGetImage.restype = ctypes.c_void_p
        xlib.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int,
                                   ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        xlib.XGetPixel.restype = ctypes.c_ulong
        xlib.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        xlib.XDestroyImage.argtypes = [ctypes.c_void_p]
        xlib.XKeysymToKeycode.restype = ctypes.c_ubyte
        xlib.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.xtst.XTestFakeKeyEvent.argtypes = [
            ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.xdamage.XDamageQueryExtension.argtypes = [
            ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
        self.xdamage.XDamageCreate.restype = ctypes.c_ulong
        self.xdamage.XDamageCreate.argtypes = [ctypes.c_void_p, Window, ctypes.c_int]
        self.xdamage.XDamageDestroy.argtypes = [ctypes.c_void_p, ctypes.c_ulong]

        # A window may vanish between an event and a question about it; the
        # default handler would end this script over that.
        handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self._errors = handler_type(lambda display, error: 0)
        xlib.XSetErrorHandler(self._errors)

        self.dpy = xlib.XOpenDisplay(display_name.encode())
        if not self.dpy:
            raise Failure("cannot open the X display %s" % display_name)
        self.root = xlib.XDefaultRootWindow(self.dpy)
        self.fd = xlib.XConnectionNumber(self.dpy)
        xlib.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        self.net_wm_name = xlib.XInternAtom(self.dpy, b"_NET_WM_NAME", 0)
        self.wm_name = xlib.XInternAtom(self.dpy, b"WM_NAME", 0)
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not self.xdamage.XDamageQueryExtension(self.dpy, ctypes.byref(event_base),
                                                  ctypes.byref(error_base)):
            raise Failure("the X server has no Damage extension")
        self.damage_notify = event_base.value  # XDamageNotify is event 0
        self.return_key = xlib.XKeysymToKeycode(self.dpy, XK_RETURN)
        xlib.XSync(self.dpy, 0)

    def close(self):
        self.xlib.XCloseDisplay(self.dpy)

    def next_event(self, deadline):
        """The next event, or None once `deadline` (perf_counter) has passed."""
        xlib = self.xlib
        while xlib.XPending(self.dpy) == 0:
            left = deadline - time.perf_counter()
            if left <= 0:
                return None
            select.select([self.fd], [], [], min(left, 0.05))
        event = XEvent()
        xlib.XNextEvent(self.dpy, ctypes.byref(event))
        return event.any

    def drain(self):
        while self.xlib.XPending(self.dpy):
            event = XEvent()
            self.xlib.XNextEvent(self.dpy, ctypes.byref(event))

    def name(self, window):
        for atom in (self.net_wm_name, self.wm_name):
            kind, fmt = Atom(), ctypes.c_int()
            count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
            status = self.xlib.XGetWindowProperty(
                self.dpy, window, atom, 0, 1024, 0, 0, ctypes.byref(kind), ctypes.byref(fmt),
                ctypes.byref(count), ctypes.byref(after), ctypes.byref(data))
            if status == 0 and data.value:
                text = ctypes.string_at(data.value, count.value).decode("utf-8", "replace")
                self.xlib.XFree(data)
                if fmt.value == 8:
                    return text
        return None

    def attributes(self, window):
        attrs = XWindowAttributes()
        if not self.xlib.XGetWindowAttributes(self.dpy, window, ctypes.byref(attrs)):
            return None
        return attrs

    def pixel(self, window, x, y):
        image = self.xlib.XGetImage(self.dpy, window, x, y, 1, 1, ALL_PLANES, Z_PIXMAP)
        if not image:
            return None
        value = self.xlib.XGetPixel(image, 0, 0)
        self.xlib.XDestroyImage(image)
        return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)

    def press_return(self):
        """Presses and releases Enter through XTest; returns when it is sent."""
        self.xtst.XTestFakeKeyEvent(self.dpy, self.return_key, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.dpy, self.return_key, 0, 0)
        self.xlib.XFlush(self.dpy)

    def watch_damage(self, window):
        return self.xdamage.XDamageCreate(self.dpy, window, DAMAGE_REPORT_RAW_RECTANGLES)

    def unwatch_damage(self, damage):
        self.xdamage.XDamageDestroy(self.dpy, damage)


# --------------------------------------------------------------------------
# The program


class Program:
    """One run of the program, ended (killed if need be) by stop()."""

    def __init__(self, path, env, log_path):
        self.log = open(log_path, "ab")
        self.spawned = time.perf_counter()
        self.proc = subprocess.Popen([path], env=env, stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=subprocess.STDOUT)

    @property
    def pid(self):
        return self.proc.pid

    def check_alive(self, what):
        code = self.proc.poll()
        if code is not None:
            raise Failure("the program ended (exit %s) while waiting for %s" % (code, what))

    def status(self, field):
        with open("/proc/%d/status" % self.pid) as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1])  # kB
        raise Failure("no %s in /proc/%d/status" % (field, self.pid))

    def cpu_ticks(self):
        with open("/proc/%d/stat" % self.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime + stime, fields 14 and 15

    def schedstat(self):
        """(time on a CPU, time waiting for one) of every thread so far, in
        nanoseconds, from the scheduler."""
        running = waiting = 0
        for task in os.listdir("/proc/%d/task" % self.pid):
            try:
                with open("/proc/%d/task/%s/schedstat" % (self.pid, task)) as stat:
                    fields = stat.read().split()
                running += int(fields[0])
                waiting += int(fields[1])
            except (OSError, IndexError, ValueError):
                pass
        return running, waiting

    def cpu_ns(self):
        return self.schedstat()[0]

    def wait(self, seconds):
        try:
            return self.proc.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            if self.wait(3) is None:
                self.proc.kill()
                self.proc.wait()
        self.log.close()


def xdotool(env, *args):
    subprocess.run(["xdotool", *args], env=env, check=True, timeout=10,
                   stdout=subprocess.DEVNULL)


def wait_for_map(x, program, title, what, exclude=()):
    """Waits for a top-level window named `title` to be mapped and viewable.
    Returns (window, perf_counter time of its MapNotify)."""
    deadline = time.perf_counter() + WAIT_SECONDS
    while True:
        program.check_alive(what)
        event = x.next_event(min(deadline, time.perf_counter() + 0.1))
        now = time.perf_counter()
        if event is None:
            if now >= deadline:
                raise Failure("waited %d s for %s" % (WAIT_SECONDS, what))
            continue
        if event.type != MAP_NOTIFY or event.event != x.root or event.window in exclude:
            continue
        if x.name(event.window) != title:
            continue
        attrs = x.attributes(event.window)
        if attrs is not None and attrs.map_state == IS_VIEWABLE:
            return event.window, now


def wait_for_gone(x, program, window, what):
    deadline = time.perf_counter() + WAIT_SECONDS
    while True:
        program.check_alive(what)
        attrs = x.attributes(window)
        if attrs is None or attrs.map_state != IS_VIEWABLE:
            return
        if time.perf_counter() >= deadline:
            raise Failure("waited %d s for %s" % (WAIT_SECONDS, what))
        x.next_event(time.perf_counter() + 0.05)


def shows_bands(x, window):
    """Whether the client area shows the question's bands: 256 bands of
    red = green = 10 × shade and blue = band number, so near the bottom
    the blue is almost 255 and halfway down about 128, both at one shade.
    Points at the right edge, where no control lies."""
    attrs = x.attributes(window)
    if attrs is None or attrs.map_state != IS_VIEWABLE:
        return False
    px = attrs.width - 4
    low = x.pixel(window, px, attrs.height - 3)
    mid = x.pixel(window, px, attrs.height // 2)
    if low is None or mid is None:
        return False
    for r, g, _ in (low, mid):
        if r != g or r % 10 or r > 140:
            return False
    return low[0] == mid[0] and low[2] >= 240 and 60 <= mid[2] <= 200


def wait_for_bands(x, program, window):
    """Waits until the main window shows the bands; the perf_counter time."""
    damage = x.watch_damage(window)
    try:
        deadline = time.perf_counter() + WAIT_SECONDS
        while True:
            program.check_alive("the first question's bands")
            if shows_bands(x, window):
                return time.perf_counter()
            # Woken by each report of drawing on the window; the short
            # timeout only guards against a report missed before watching.
            while True:
                event = x.next_event(min(deadline, time.perf_counter() + 0.02))
                if event is None or (event.type == x.damage_notify and event.event == window):
                    break
            if time.perf_counter() >= deadline:
                raise Failure("waited %d s for the bands of the first question" % WAIT_SECONDS)
    finally:
        x.unwatch_damage(damage)


def start_game(x, program, env, name):
    """From spawning to the first question on screen. Returns the figures
    in milliseconds and the main window."""
    prompt, t_prompt = wait_for_map(x, program, PROMPT_TITLE, "the name prompt")
    launch_ms = (t_prompt - program.spawned) * 1000
    # What the launch was made of: the program's own CPU time, and the time
    # it was ready to run but waited for a CPU taken by other work.
    running_ns, waiting_ns = program.schedstat()

    xdotool(env, "windowfocus", "--sync", str(prompt))
    xdotool(env, "type", "--delay", "20", name)
    xdotool(env, "key", "Return")
    wait_for_gone(x, program, prompt, "the name prompt to close")

    greeting, _ = wait_for_map(x, program, PROMPT_TITLE, "the greeting", exclude=(prompt,))
    xdotool(env, "windowfocus", "--sync", str(greeting))
    # Let the greeting settle (painted, focused), so that what follows is
    # only the work the Enter key starts.
    time.sleep(0.3)
    x.drain()
    t_enter = time.perf_counter()
    x.press_return()
    main, t_map = wait_for_map(x, program, MAIN_TITLE, "the main window")
    t_bands = wait_for_bands(x, program, main)
    return {
        "launch_ms": launch_ms,
        "launch_cpu_ms": running_ns / 1e6,
        "launch_cpu_wait_ms": waiting_ns / 1e6,
        "greeting_to_map_ms": (t_map - t_enter) * 1000,
        "greeting_to_bands_ms": (t_bands - t_enter) * 1000,
    }, main


def private_environment(root, display):
    """HOME, XDG folders and a runtime folder of our own; no sound server
    and no session bus, and nothing that would start one."""
    folders = {}
    for name in ("home", "data", "config", "cache", "runtime"):
        folders[name] = os.path.join(root, name)
        os.makedirs(folders[name], mode=0o700, exist_ok=True)
    os.makedirs(os.path.join(folders["config"], "pulse"), exist_ok=True)
    with open(os.path.join(folders["config"], "pulse", "client.conf"), "w") as conf:
        conf.write("autospawn = no\n")
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("QT_", "XDG_", "DBUS_", "PULSE_", "WAYLAND_"))}
    env.update({
        "DISPLAY": display,
        "QT_QPA_PLATFORM": "xcb",
        "HOME": folders["home"],
        "XDG_DATA_HOME": folders["data"],
        "XDG_CONFIG_HOME": folders["config"],
        "XDG_CACHE_HOME": folders["cache"],
        "XDG_RUNTIME_DIR": folders["runtime"],
        "PULSE_SERVER": "unix:" + os.path.join(root, "no-sound-server"),
        "DBUS_SESSION_BUS_ADDRESS": "unix:path=" + os.path.join(root, "no-session-bus"),
        "LC_ALL": "C.UTF-8",
    })
    return env


def screen_size(env):
    out = subprocess.run(["xdotool", "getdisplaygeometry"], env=env, check=True,
                         capture_output=True, text=True, timeout=10).stdout.split()
    return int(out[0]), int(out[1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--display", required=True)
    parser.add_argument("--runs", type=int, default=11)
    parser.add_argument("--idle-seconds", type=float, default=30)
    parser.add_argument("--answers", type=int, default=6)
    parser.add_argument("--json")
    args = parser.parse_args()

    program_path = os.path.abspath(args.program)
    results = {}
    with tempfile.TemporaryDirectory(prefix="quizzola-bench-") as root:
        env = private_environment(root, args.display)
        log_path = os.path.join(root, "program.log")
        x = X(args.display)
        running = None
        try:
            # Start-up: one warm-up launch (the first ever: record files
            # made, caches filled), then the measured ones.
            samples = []
            for run in range(args.runs + 1):
                running = Program(program_path, env, log_path)
                figures, _ = start_game(x, running, env, "Bench")
                figures["rss_first_question_kb"] = running.status("VmHWM")
                running.stop()
                running = None
                x.drain()
                label = "warm-up" if run == 0 else "run %2d" % run
                log("  %s: launch %.1f ms, greeting to window %.1f ms, to bands %.1f ms"
                    % (label, figures["launch_ms"], figures["greeting_to_map_ms"],
                       figures["greeting_to_bands_ms"]))
                if run == 0:
                    results["first_launch"] = figures
                else:
                    samples.append(figures)
            for key in samples[0]:
                values = [s[key] for s in samples]
                results[key] = {"median": statistics.median(values),
                                "min": min(values), "max": max(values), "runs": len(values)}

            # A whole game, maximised as a window manager would.
            running = Program(program_path, env, log_path)
            _, main_window = start_game(x, running, env, "Bench")
            width, height = screen_size(env)
            xdotool(env, "windowmove", str(main_window), "0", "0")
            xdotool(env, "windowsize", "--sync", str(main_window), str(width), str(height))
            xdotool(env, "windowfocus", "--sync", str(main_window))
            time.sleep(0.5)
            # A right answer keeps the bands on screen while the next
            # question paints new ones, a wrong one blacks them out first:
            # the game goes on until at least one answer was right, so the
            # figure covers the larger case too.
            right = wrong = 0
            while (right == 0 or right + wrong < args.answers) and right + wrong < MAX_ANSWERS:
                guess = 9 * (1 + (right + wrong) % 9)
                xdotool(env, "type", "--delay", "30", str(guess))
                xdotool(env, "key", "Return")
                time.sleep(0.25)
                if shows_bands(x, main_window):
                    right += 1
                else:
                    wrong += 1
                xdotool(env, "key", "alt+n")
                time.sleep(0.25)
            results["answers_right"], results["answers_wrong"] = right, wrong
            log("  game: %d right and %d wrong answers" % (right, wrong))
            time.sleep(3)
            running.check_alive("the idle clock")
            ticks0, ns0, t0 = running.cpu_ticks(), running.cpu_ns(), time.perf_counter()
            time.sleep(args.idle_seconds)
            ticks1, ns1, t1 = running.cpu_ticks(), running.cpu_ns(), time.perf_counter()
            running.check_alive("the idle clock")
            hz = os.sysconf("SC_CLK_TCK")
            results["idle_cpu_percent"] = 100.0 * (ticks1 - ticks0) / hz / (t1 - t0)
            results["idle_cpu_percent_schedstat"] = 100.0 * (ns1 - ns0) / 1e9 / (t1 - t0)
            results["idle_seconds"] = t1 - t0
            results["peak_rss_kb"] = running.status("VmHWM")
            results["game_window"] = "%dx%d" % (width, height)
            log("  game: idle CPU %.3f %% over %.1f s, peak RSS %.1f MiB"
                % (results["idle_cpu_percent"], t1 - t0, results["peak_rss_kb"] / 1024))

            # Alt+X ends the game; a beaten record is congratulated first.
            xdotool(env, "key", "alt+x")
            deadline = time.perf_counter() + 5
            while running.proc.poll() is None and time.perf_counter() < deadline:
                event = x.next_event(time.perf_counter() + 0.1)
                if (event is not None and event.type == MAP_NOTIFY and event.event == x.root
                        and x.name(event.window) == PROMPT_TITLE):
                    xdotool(env, "windowfocus", "--sync", str(event.window))
                    xdotool(env, "key", "Return")
            results["exit_code"] = running.wait(5)
            running.stop()
            running = None
        finally:
            if running is not None:
                running.stop()
            x.close()

    if args.json:
        with open(args.json, "w") as out:
            json.dump(results, out, indent=1)
    print(json.dumps(results, indent=1))


if __name__ == "__main__":
    # A SIGTERM from bench.sh's clean-up ends the runs through `finally`.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        main()
    except Failure as failure:
        log("measure_program: %s" % failure)
        sys.exit(1)
