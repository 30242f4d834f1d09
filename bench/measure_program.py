#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""measure_program.py PROGRAM BARE_PROMPT BARE_WINDOW: measures the real
program in a private Xvfb (1920x1080, no window manager, sound server or
session bus) against two bare Qt programs started the same way; prints JSON.

A first launch with a fresh HOME, then 11 measured launches, each timed from
spawning to the name prompt mapped (its MapNotify on the root window, with
the CPU time it took from /proc/<pid>/task/*/schedstat), and from Enter on
the greeting (XTest) to the main window mapped and to its first question's
bands on screen (pixels read back on each X Damage report of the window).
The last one goes on to a game in a window as large as the screen: answers
until six are given and one is right (a right one keeps the bands, a wrong
one blacks them out), then the clock alone for 30 s (CPU time), peak RSS,
then 30 new contests through the menu and their dialogs, two answers in
each, with the RSS after each contest.
Then one more game with a private PulseAudio server whose only sink is a
null sink: from Enter on each of nine answers (XTest) to the first
non-silent frame of its sound on the sink's monitor, recorded by parec, and
the RSS and shared libraries of the program after its sounds.
Last, a game at 3840x2160 for its peak RSS, and BARE_WINDOW's there.
Before each measured launch BARE_PROMPT, which shows only the name prompt,
is launched and timed the same way, so that the two alternate and share
whatever load the machine has. Last, BARE_WINDOW's prompt is answered and
its empty main window sized like the game's, for its peak RSS.
libX11 is called through ctypes, so waiting for a window costs nothing
between events; xdotool types the rest.
"""

import ctypes.util
import json
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

SCREEN = (1920, 1080)
RUNS, ANSWERS, IDLE_SECONDS, WAIT_SECONDS, SOUNDS, CONTESTS = 11, 6, 30, 15, 9, 30
RATE = 44100  # frames per second recorded from the null sink's monitor, mono 16-bit
PROMPT_TITLE, MAIN_TITLE = b"Quizzola", b"Gioca con la Quizzola"


# The few libX11 calls needed, bound through ctypes.
P, L, I, U = ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_uint


def bind(library, name, restype, *argtypes):
    function = getattr(ctypes.CDLL(ctypes.util.find_library(library)), name)
    function.restype, function.argtypes = restype, argtypes
    return function


XOpenDisplay = bind("X11", "XOpenDisplay", P, ctypes.c_char_p)
XDefaultRootWindow = bind("X11", "XDefaultRootWindow", L, P)
XSelectInput = bind("X11", "XSelectInput", I, P, L, L)
XConnectionNumber = bind("X11", "XConnectionNumber", I, P)
XPending = bind("X11", "XPending", I, P)
XNextEvent = bind("X11", "XNextEvent", I, P, P)
XFlush = bind("X11", "XFlush", I, P)
XGetWindowProperty = bind("X11", "XGetWindowProperty", I, P, L, L, L, L, I, L, P, P, P, P, P)
XFree = bind("X11", "XFree", I, P)
XGetGeometry = bind("X11", "XGetGeometry", I, P, L, P, P, P, P, P, P, P)
XGetImage = bind("X11", "XGetImage", P, P, L, I, I, U, U, L, I)
XGetPixel = bind("X11", "XGetPixel", L, P, I, I)
XDestroyImage = bind("X11", "XDestroyImage", I, P)
XKeysymToKeycode = bind("X11", "XKeysymToKeycode", ctypes.c_ubyte, P, L)
XTestFakeKeyEvent = bind("Xtst", "XTestFakeKeyEvent", I, P, U, I, L)
XDamageQueryExtension = bind("Xdamage", "XDamageQueryExtension", I, P, P, P)
XDamageCreate = bind("Xdamage", "XDamageCreate", L, P, L, I)
XDamageDestroy = bind("Xdamage", "XDamageDestroy", None, P, L)
# A window may vanish between an event and a question about it: no error.
IGNORE_ERRORS = ctypes.CFUNCTYPE(I, P, P)(lambda display, error: 0)
bind("X11", "XSetErrorHandler", P, P)(ctypes.cast(IGNORE_ERRORS, P))


class XEvent(ctypes.Structure):
    # A MapNotify has the parent at `event` and the window mapped at `window`;
    # a DamageNotify has the damaged window at `event`.
    _fields_ = [("type", I), ("serial", L), ("send_event", I), ("display", P),
                ("event", L), ("window", L), ("pad", ctypes.c_long * 20)]


class X:
    """A connection to the X server, told of every top-level window mapped."""

    def __init__(self, display):
        self.dpy = XOpenDisplay(display.encode())
        if not self.dpy:
            sys.exit("measure_program: cannot open the X display " + display)
        self.root = XDefaultRootWindow(self.dpy)
        XSelectInput(self.dpy, self.root, 1 << 19)  # SubstructureNotifyMask
        base, _ = I(), I()
        if not XDamageQueryExtension(self.dpy, ctypes.byref(base), ctypes.byref(_)):
            sys.exit("measure_program: the X server has no Damage extension")
        self.damage_notify = base.value
        self.return_key = XKeysymToKeycode(self.dpy, 0xFF0D)

    def next_event(self, deadline):
        """The next event, or None once `deadline` (perf_counter) has passed."""
        while XPending(self.dpy) == 0:
            left = deadline - time.perf_counter()
            if left <= 0:
                return None
            select.select([XConnectionNumber(self.dpy)], [], [], min(left, 0.05))
        event = XEvent()
        XNextEvent(self.dpy, ctypes.byref(event))
        return event

    def name(self, window):  # WM_NAME, whatever its type
        kind, size, count, after, data = L(), I(), L(), L(), P()
        XGetWindowProperty(self.dpy, window, 39, 0, 256, 0, 0, *map(
            ctypes.byref, (kind, size, count, after, data)))
        text = ctypes.string_at(data.value, count.value) if data.value else None
        XFree(data)
        return text

    def shows_bands(self, window):
        """Whether the client area shows a question's 256 bands: red = green =
        10 x shade, blue = band number, so about 128 halfway down and almost
        255 at the bottom. Read at the right edge, where no control lies."""
        geometry = [L(), I(), I(), U(), U(), U(), U()]  # root, x, y, w, h, border, depth
        XGetGeometry(self.dpy, window, *map(ctypes.byref, geometry))
        width, height = geometry[3].value, geometry[4].value
        image = XGetImage(self.dpy, window, width - 4, 0, 1, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            return False
        (r, g, mid), (r2, g2, low) = [(p >> 16 & 255, p >> 8 & 255, p & 255) for p in (
            XGetPixel(image, 0, height // 2), XGetPixel(image, 0, height - 3))]
        XDestroyImage(image)
        return r == g == r2 == g2 and r % 10 == 0 and r <= 140 and low >= 240 and 60 <= mid <= 200

    def wait(self, program, what, found, tick=0.1):
        """Calls found() on each event read (None after `tick` s without one) until
        it returns something; returns that and when the event was read."""
        deadline = time.perf_counter() + WAIT_SECONDS
        while True:
            if program.poll() is not None:
                sys.exit("measure_program: the program ended before %s" % what)
            event = self.next_event(time.perf_counter() + tick)
            now = time.perf_counter()
            result = found(event)
            if result:
                return result, now
            if now >= deadline:
                sys.exit("measure_program: waited %d s for %s" % (WAIT_SECONDS, what))

    def wait_for_map(self, program, title, other_than=None):
        """A top-level window named `title` mapped, and when its MapNotify came."""
        return self.wait(program, title.decode(), lambda e: e and e.type == 19  # MapNotify
                         and e.event == self.root and e.window != other_than
                         and self.name(e.window) == title and e.window)

    def wait_for_bands(self, program, window):
        """Looks at the client area on each damage report of the window (and
        every 20 ms, in case one came before the watching began)."""
        damage = XDamageCreate(self.dpy, window, 0)  # XDamageReportRawRectangles
        if not self.shows_bands(window):
            self.wait(program, "the first question's bands", lambda e: (
                e is None or e.type == self.damage_notify) and self.shows_bands(window), 0.02)
        seen = time.perf_counter()
        XDamageDestroy(self.dpy, damage)
        return seen


def status_kib(program, field):  # a figure of /proc/<pid>/status, in KiB: VmHWM, VmRSS...
    with open("/proc/%d/status" % program.pid) as status:
        return next(int(l.split()[1]) for l in status if l.startswith(field + ":"))


def peak_rss_kib(program):
    return status_kib(program, "VmHWM")


def cpu_ticks(program):  # utime + stime, fields 14 and 15
    with open("/proc/%d/stat" % program.pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def schedstat_ns(program):
    """Time on a CPU and time waiting for one, of all its threads so far."""
    stats = []
    for task in os.listdir("/proc/%d/task" % program.pid):
        with open("/proc/%d/task/%s/schedstat" % (program.pid, task)) as stat:
            stats.append([int(v) for v in stat.read().split()[:2]])
    return [sum(column) for column in zip(*stats)]


def xdotool(env, *args):
    subprocess.run(["xdotool", *args], env=env, check=True, timeout=10, stdout=subprocess.DEVNULL)


def respawn(x, program, path, env):
    """Ends `program` (if any), then starts `path`; returns it and when it was spawned."""
    if program:
        program.kill()
        program.wait()
        while x.next_event(0):
            pass
    spawned = time.perf_counter()
    return subprocess.Popen([path], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL), spawned


def focus_on_map(x, program, env, title, other_than=None):
    """Waits for a window named `title` to be mapped, gives it the keyboard; gives the window."""
    window, _ = x.wait_for_map(program, title, other_than)
    xdotool(env, "windowfocus", "--sync", str(window))
    return window


def answer_name(env, prompt):
    # Separate calls: xdotool's chained "type ... key" loses the key.
    xdotool(env, "windowfocus", "--sync", str(prompt))
    xdotool(env, "type", "--delay", "20", "Bench")
    xdotool(env, "key", "Return")


def maximise(env, window):
    """Sizes the window as a window manager maximising it would."""
    xdotool(env, "windowmove", str(window), "0", "0", "windowsize", "--sync", str(window),
            *map(str, SCREEN), "windowfocus", "--sync", str(window))
    time.sleep(0.5)


def start_game(x, program, spawned, env):
    """From spawning to the first question on screen."""
    prompt, shown = x.wait_for_map(program, PROMPT_TITLE)
    running_ns, waiting_ns = schedstat_ns(program)
    answer_name(env, prompt)
    focus_on_map(x, program, env, PROMPT_TITLE, other_than=prompt)  # the greeting
    # Once the greeting has settled, what follows is only the work Enter starts.
    time.sleep(0.3)
    while x.next_event(0):
        pass
    enter = time.perf_counter()
    XTestFakeKeyEvent(x.dpy, x.return_key, 1, 0)
    XTestFakeKeyEvent(x.dpy, x.return_key, 0, 0)
    XFlush(x.dpy)
    main, mapped = x.wait_for_map(program, MAIN_TITLE)
    bands = x.wait_for_bands(program, main)
    return main, {
        "launch_ms": (shown - spawned) * 1000, "launch_cpu_ms": running_ns / 1e6,
        "launch_cpu_wait_ms": waiting_ns / 1e6, "greeting_to_map_ms": (mapped - enter) * 1000,
        "greeting_to_bands_ms": (bands - enter) * 1000,
        "rss_first_question_kb": peak_rss_kib(program)}


def play(x, program, main, env):
    """A game in a window as large as the screen."""
    maximise(env, main)
    right = answers = 0
    while (right == 0 or answers < ANSWERS) and answers < 40:
        xdotool(env, "type", "--delay", "30", str(9 * (1 + answers % 9)))
        xdotool(env, "key", "Return")
        time.sleep(0.25)
        right, answers = right + x.shows_bands(main), answers + 1
        xdotool(env, "key", "alt+n")
        time.sleep(0.25)
    time.sleep(3)
    ticks, ns, start = cpu_ticks(program), schedstat_ns(program)[0], time.perf_counter()
    time.sleep(IDLE_SECONDS)
    seconds, hz = time.perf_counter() - start, os.sysconf("SC_CLK_TCK")
    return {"answers_right": right, "answers_wrong": answers - right, "idle_seconds": seconds,
            "idle_cpu_percent": 100 * (cpu_ticks(program) - ticks) / hz / seconds,
            "idle_cpu_percent_schedstat": 100 * (schedstat_ns(program)[0] - ns) / 1e9 / seconds,
            "peak_rss_kb": peak_rss_kib(program), "game_window": "%dx%d" % SCREEN}


def contests(x, program, main, env):
    """New contests in the same program, each after one right and one wrong
    answer, through the menu and every dialog a player goes through; the
    RSS after each of the CONTESTS, for memory that grows with them."""
    rss = {}
    xdotool(env, "windowfocus", "--sync", str(main))
    for contest in range(1, CONTESTS + 1):
        for typed in ("54", "1"):  # two answers, each judged and followed by a question
            xdotool(env, "type", "--delay", "20", typed)
            xdotool(env, "key", "Return")
            xdotool(env, "key", "Return")
        while x.next_event(0):
            pass
        xdotool(env, "key", "alt+u")
        x.wait(program, "the menu", lambda e: e and e.type == 19 and e.event == x.root)  # MapNotify
        xdotool(env, "key", "Down", "Return")
        focus_on_map(x, program, env, b"INIZIARE NUOVA GARA")
        xdotool(env, "key", "alt+s")  # Yes
        limit = focus_on_map(x, program, env, PROMPT_TITLE)
        xdotool(env, "key", "Return")  # no limit chosen
        told = focus_on_map(x, program, env, PROMPT_TITLE, other_than=limit)
        xdotool(env, "key", "Return")
        prompt, _ = x.wait_for_map(program, PROMPT_TITLE, other_than=told)
        answer_name(env, prompt)
        focus_on_map(x, program, env, PROMPT_TITLE, other_than=prompt)  # the greeting
        xdotool(env, "key", "Return")
        x.wait_for_map(program, MAIN_TITLE)
        xdotool(env, "windowfocus", "--sync", str(main))
        rss[contest] = status_kib(program, "VmRSS")
    print("  contests: RSS %s MB" % ", ".join("%d: %.1f" % (c, rss[c] / 1024) for c in (5, 10, 20, 30) if c in rss),
          file=sys.stderr)
    return {"contest_rss_kb": rss}


def bare_window_rss(x, program, env):
    """Peak RSS of the bare program once its empty main window, sized like
    the game's, has had time to repaint."""
    prompt, _ = x.wait_for_map(program, PROMPT_TITLE)
    answer_name(env, prompt)
    window, _ = x.wait_for_map(program, MAIN_TITLE)
    maximise(env, window)
    time.sleep(1)
    return peak_rss_kib(program)


class Monitor:
    """parec recording the null sink's monitor in 5 ms fragments, read as they
    come, each stamped with the time it arrived. The null sink hands its
    monitor each block as it mixes it, so a frame arrives as soon as the
    sink has played it, plus parec's own passing on."""

    def __init__(self, env):
        self.parec = subprocess.Popen(
            ["parec", "-d", "bench.monitor", "--raw", "--format=s16ne", "--channels=1",
             "--rate=%d" % RATE, "--latency-msec=5"], env=env, stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL)
        self.fd = self.parec.stdout.fileno()
        self.pending = b""  # an odd byte left from the last read

    def frames(self, deadline):
        """The frames read next and when they came; none once `deadline` has passed."""
        if not select.select([self.fd], [], [], max(0, deadline - time.perf_counter()))[0]:
            return [], time.perf_counter()
        data = self.pending + os.read(self.fd, 65536)
        now = time.perf_counter()
        if not data:
            sys.exit("measure_program: parec ended")
        cut = len(data) - len(data) % 2
        self.pending = data[cut:]
        return memoryview(data[:cut]).cast("h"), now

    def first_sound(self, seconds):
        """When the read holding the first non-zero frame arrived (so at most a
        fragment late), or None after `seconds` without one."""
        deadline = time.perf_counter() + seconds
        while time.perf_counter() < deadline:
            frames, now = self.frames(deadline)
            if any(frames):
                return now
        return None

    def silence(self, seconds):
        """Reads until the last `seconds` of frames were all zero."""
        quiet, deadline = 0, time.perf_counter() + WAIT_SECONDS
        while quiet < seconds * RATE:
            frames, _ = self.frames(deadline)
            if time.perf_counter() >= deadline:
                sys.exit("measure_program: the null sink never fell silent")
            for frame in frames:
                quiet = quiet + 1 if frame == 0 else 0

    def close(self):
        self.parec.kill()
        self.parec.wait()


def sound_latency(x, previous, path, env, home):
    """A game with a private PulseAudio server: Enter on an answer to the first
    non-silent frame on the monitor, for SOUNDS answers, right or wrong as
    they come; the first also pays for whatever the sound player does once."""
    socket = home + "/pulse-native"
    daemon = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
         "--load=module-null-sink sink_name=bench",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(env, PULSE_SERVER="unix:" + socket)
    monitor = program = None
    try:
        deadline = time.perf_counter() + WAIT_SECONDS
        while subprocess.run(["pactl", "info"], env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL).returncode != 0:
            if time.perf_counter() > deadline or daemon.poll() is not None:
                sys.exit("measure_program: the private PulseAudio server did not start")
            time.sleep(0.05)
        monitor = Monitor(env)
        program, spawned = respawn(x, previous, path, env)
        main_window, _ = start_game(x, program, spawned, env)
        xdotool(env, "windowfocus", "--sync", str(main_window))
        latencies = []
        for answer in range(SOUNDS):
            xdotool(env, "type", "--delay", "30", str(9 * (1 + answer % 9)))
            monitor.silence(0.1)
            enter = time.perf_counter()
            XTestFakeKeyEvent(x.dpy, x.return_key, 1, 0)
            XTestFakeKeyEvent(x.dpy, x.return_key, 0, 0)
            XFlush(x.dpy)
            heard = monitor.first_sound(3)
            latencies.append(heard and (heard - enter) * 1000)  # None: not heard
            monitor.silence(0.2)  # the sound has ended
            xdotool(env, "key", "alt+n")
            time.sleep(0.25)  # the new question has taken the focus
        with open("/proc/%d/maps" % program.pid) as maps:
            libraries = {l.split()[-1] for l in maps if ".so" in l.rsplit("/", 1)[-1]}
        rss = status_kib(program, "VmRSS")
        print("  sounds: Enter to sound %s ms" % ", ".join(
            "%.1f" % l if l else "not heard" for l in latencies), file=sys.stderr)
        return {"sound_latency_ms": latencies, "sound_rss_kb": rss,
                "sound_libraries": len(libraries)}
    finally:
        for process in (program, monitor and monitor.parec, daemon):
            if process:
                process.kill()
                process.wait()


def start_xvfb(home):
    """A private Xvfb of SCREEN's size; gives it and the environment of a program shown there."""
    reader, writer = os.pipe()  # Xvfb writes its display number there once ready
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-nolisten", "tcp", "-br",
                             "-screen", "0", "%dx%dx24" % SCREEN], pass_fds=(writer,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(writer)
    display = ":" + os.read(reader, 16).decode().strip()
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("QT_", "XDG_", "DBUS_", "PULSE_", "WAYLAND_"))}
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home, LC_ALL="C.UTF-8",
               XDG_RUNTIME_DIR=home + "/runtime", PULSE_SERVER="unix:/nonexistent",
               DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent")
    os.makedirs(env["XDG_RUNTIME_DIR"], 0o700, exist_ok=True)
    return xvfb, env


def end(program, xvfb):
    """Ends the program, if any, then its X server."""
    if program:
        program.kill()
        program.wait()
    xvfb.terminate()
    xvfb.wait()


def peak_rss_4k(game, bare_window, home):
    """Peak RSS of a game in a window as large as a 3840x2160 screen, where the design is drawn
    almost four times its size, and of the bare window sized alike."""
    global SCREEN
    SCREEN, program = (3840, 2160), None
    xvfb, env = start_xvfb(home)
    try:
        x = X(env["DISPLAY"])
        program, spawned = respawn(x, None, game, env)
        main_window, _ = start_game(x, program, spawned, env)
        figures = play(x, program, main_window, env)
        program, _ = respawn(x, program, bare_window, env)
        bare = bare_window_rss(x, program, env)
        print("  4K: peak RSS %.1f MB, bare window %.1f MB" % (figures["peak_rss_kb"] / 1024, bare / 1024),
              file=sys.stderr)
        return {"peak_rss_4k_kb": figures["peak_rss_kb"], "bare_peak_rss_4k_kb": bare}
    finally:
        end(program, xvfb)


def main(game, bare_prompt, bare_window, home):
    program, samples, bare_ms = None, [], []
    xvfb, env = start_xvfb(home)
    try:
        display = env["DISPLAY"]
        x = X(display)
        for run in range(RUNS + 1):
            if run:  # the bare prompt, then the game: each pair under the same load
                program, spawned = respawn(x, program, bare_prompt, env)
                bare_ms.append((x.wait_for_map(program, PROMPT_TITLE)[1] - spawned) * 1000)
            program, spawned = respawn(x, program, game, env)
            main_window, figures = start_game(x, program, spawned, env)
            samples.append(figures)
            bare = "bare prompt %.1f ms, " % bare_ms[-1] if run else ""
            print("  %s: %slaunch %.1f ms, greeting to window %.1f ms, to bands %.1f ms" % (
                "run %2d" % run if run else "first ", bare, figures["launch_ms"],
                figures["greeting_to_map_ms"], figures["greeting_to_bands_ms"]), file=sys.stderr)
        results = {key: [s[key] for s in samples[1:]] for key in samples[0]}  # one per run
        results["first_launch_ms"] = samples[0]["launch_ms"]
        results["bare_launch_ms"] = bare_ms
        results.update(play(x, program, main_window, env))  # the last launch plays on
        results.update(contests(x, program, main_window, env))
        program, _ = respawn(x, program, bare_window, env)
        results["bare_peak_rss_kb"] = bare_window_rss(x, program, env)
        results.update(sound_latency(x, program, game, env, home))
    finally:
        end(program, xvfb)
    results.update(peak_rss_4k(game, bare_window, home))
    print(json.dumps(results, indent=1))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: measure_program.py PROGRAM BARE_PROMPT BARE_WINDOW")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # ends through `finally`
    with tempfile.TemporaryDirectory(prefix="quizzola-bench-") as home:
        main(*map(os.path.abspath, sys.argv[1:4]), home)
