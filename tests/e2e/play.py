#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
r"""Usage: play.py <quizzola program>. Plays two games by ear with Orca, on a desktop of its own, with xdotool's keys;
checks what Orca says, the titles X holds, the screen's pixels and the record files. Mario sets a record of 2; Luigi
hears it, beats it, and closes the window: no save. (Orca will not start while another Orca of the user runs.)
play.py --sounds <play_sounds program> [<its DLLs' folders>] hears the game's sound player (sounds).
play.py --wine <installer> [--uia <uia_read>] installs the Windows build under Wine and plays a game by keyboard;
from Wine 10, uia_read reads it as a screen reader does, through UI Automation (wine_game)."""
import codecs, contextlib, glob, os, pathlib, pty, re, shlex, shutil, signal, socket, subprocess, sys, tempfile
import threading, time, tty, types
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402 - the version first

W, H = 1440, 900  # a laptop's screen, larger than the design's 792 x 554 client area, which the game fills
# Each control's designed left and top, in twips (15 to a pixel at the design's size), in the order the game makes them.
DESIGN = [(240, 3360), (1680, 2040), (1080, 4080), (840, 0), (2400, 0), (5880, 0), (4155, 0), (480, 1680), (4830, 4080),
          (8310, 4080), (3840, 3360), (7440, 3360), (0, 1320), (0, 2280), (2040, 2160), (0, 5520), (120, 6480),
          (120, 7560), (3120, 7560), (7560, 7560), (9840, 7560), (4680, 5640), (7680, 5280), (4200, 5280), (8160, 0)]
MAIN, MINIMISED, DIALOG = "Gioca con la Quizzola", "Giocare con la tavola pitagorica", "Quizzola"
NAME = "Zoè & Co"  # the name typed under Wine: its "è" is on the Italian keyboard; its "&" is no mnemonic's mark
QUESTION = r"Quanto fa 9 per (\d+)\?"
BUTTON = r"^%s (push )?button\.$"  # Orca 48 names the role "button", Orca 43 "push button"
JUDGED_OR_ASKED = r"Esatto!|Sbagliato!!|Quanto fa 9 per"  # what may go stale: Orca must say only what is current
F2_TOLD = "Premi F2 quando vuoi sapere il tempo che resta e i punti."
F2_SAYS = r"^(notification )?Mancano (5 minuti|4 minuti e \d+ secondi?)\. Risposte esatte %d, errate %d, totali %d\.$"
env, children = {}, []  # the desktop's environment; every process started
# What Orca said; how much was heard; the question and judgement on screen; its log's tail; times it got ready.
orca = types.SimpleNamespace(said=[], heard=0, current=[], log=[], ready=0)
narrator = types.SimpleNamespace(client=None, said=[], tree=[])  # uia_read, under Wine 10; the lines it gave


def poll(what, probe, timeout=20, seen=lambda: ""):  # calls probe() till it gives something but None
    end = time.monotonic() + timeout
    while (value := probe()) is None:
        if time.monotonic() > end:
            raise AssertionError("waited %d s for %s%s" % (timeout, what, seen()))
        time.sleep(0.1)
    return value


def expect(what, found, wanted):
    if found != wanted:
        raise AssertionError("%s: expected %r, found %r" % (what, wanted, found))


def start(*command, tag="", **popen):  # in a group of its own, ended in `finally` or as this script dies; logged
    with open(os.path.join(env["HOME"], os.path.basename(command[0]) + tag + ".log"), "ab") as log:
        children.append(subprocess.Popen(["setpriv", "--pdeathsig", "TERM", "--", *command], **{
            "env": env, "stdout": log, "stderr": log, "stdin": subprocess.DEVNULL, "start_new_session": True, **popen}))
    return children[-1]


def ready_line(*command):  # starts a daemon; gives the line it writes to fd {fd} once ready
    read_end, write_end = os.pipe()
    start(*(a.replace("{fd}", str(write_end)) for a in command), pass_fds=(write_end,))
    os.close(write_end)
    line = os.fdopen(read_end).readline().strip()  # the run's alarm bounds the wait
    expect(command[0] + " ready", bool(line), True)
    return line


def run(*command, ok=None, timeout=20, stdin=None):  # its output, or with pattern `ok` None on a failure or mismatch
    done = subprocess.run([str(a) for a in command], env=env, capture_output=True, timeout=timeout, input=stdin)
    if done.returncode == 0 and re.search(ok or "", done.stdout.decode(errors="replace")):
        return done.stdout if command[0] in ("import", "convert") else done.stdout.decode().strip()
    if ok is None:
        raise AssertionError("%s failed: %s" % (" ".join(map(str, command)), done.stderr.decode().strip()))


def listen(fd):  # collects what Orca says from its debug log; an utterance may span lines
    decode, partial, utterance = codecs.getincrementaldecoder("utf-8")("replace").decode, "", None
    while True:  # till the end of the test, which keeps the terminal open
        lines = (partial + decode(os.read(fd, 65536))).split("\n")
        partial = lines.pop()
        orca.log = (orca.log + lines)[-12:]
        for line in lines:
            orca.ready += "SCRIPT MANAGER: Activated" in line
            if utterance is not None or "SPEECH OUTPUT: '" in line:
                utterance = line.split("SPEECH OUTPUT: '", 1)[-1] if utterance is None else utterance + " " + line
                if end := re.search(r"'\s*[\[{]", utterance):
                    orca.said.append(" ".join(utterance[:end.start()].split()))
                    utterance = None


def hear(*patterns, timeout=20):
    """Waits for Orca to say a match of each pattern in turn, and in between no question or judgement but those on
    screen (`orca.current`): any other is an old one, said in place of the new. Gives the last match."""
    for pattern in patterns:
        said = lambda: next(((i + 1, m) for i in range(orca.heard, len(orca.said))
                             if (m := re.search(pattern, orca.said[i]))), None)
        skipped = orca.heard
        orca.heard, match = poll("Orca to say %r" % pattern, said, timeout)
        stale = [text for text in orca.said[skipped:orca.heard - 1] if re.search(JUDGED_OR_ASKED, text)
                 and not any(current in text for current in orca.current)]
        expect("the game's texts Orca said before %r" % pattern, stale, [])
    return match


def desktop(work, screen_reader=True):  # starts the desktop and, for a screen reader, the accessibility bus
    # -noreset: a server that resets as its last client leaves turns the next one away meanwhile.
    env["DISPLAY"] = ":" + ready_line("Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-noreset",
                                      "-screen", "0", "%dx%dx24" % (W, H))
    if screen_reader:
        env["DBUS_SESSION_BUS_ADDRESS"] = ready_line("dbus-daemon", "--session", "--nofork", "--nopidfile",
                                                     "--print-address={fd}", "--address=unix:dir=" + work)
        os.environ.update((k, env[k]) for k in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS"))  # for this script's Atspi
        start("/usr/libexec/at-spi-bus-launcher", "--launch-immediately")
        poll("the accessibility bus", lambda: run(  # before Orca, else it starts one that outlives the test
            "dbus-send", "--session", "--print-reply", "/", "--dest=org.freedesktop.DBus",
            "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.Bus", ok="true"))
    start("openbox")
    poll("openbox", lambda: run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", ok="window id"),
         seen=lambda: "; Xvfb %s" % ("has ended" if children[0].poll() is not None else "runs"))
    run("xdotool", "mousemove", W - 10, H - 10)  # no tooltip in the way


def start_orca():  # anew for each game: Orca 48 takes a new object with a dead one's hash for dead, a button lost so
    if getattr(orca, "process", None):
        os.killpg(orca.process.pid, signal.SIGKILL)  # a busy Orca may take long to end by itself
        orca.process.wait()
    else:  # its log goes to a terminal, so that Python writes it line by line, not 8 KiB at a time
        master, orca.terminal = pty.openpty()
        tty.setraw(orca.terminal)
        threading.Thread(target=listen, args=(master,), daemon=True).start()
        env["SPEECHD_CMD"] = "/bin/false"  # no speech server: with no sound or voice, it holds Orca up at every word
        if "ASAN_OPTIONS" in env:  # Qt's leak of key events (see lsan.supp) is told from ours by whole stacks only
            env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0"
    ready = orca.ready
    orca.process = start("orca", "-u", os.path.join(env["HOME"], "orca"), "--debug-file", os.ttyname(orca.terminal))
    hear(r"^Screen reader on\.$", timeout=40)  # said before it listens to programs: one started now goes unheard
    poll("Orca to listen to programs", lambda: True if orca.ready > ready else None)


def keys(*keys, typed=None, then=()):  # types `typed`; presses `keys` (or xdotool commands from keydown); hears `then`
    orca.heard = len(orca.said)
    if typed is not None:
        run("xdotool", "type", "--delay", "60", typed)
    if keys:
        run("xdotool", *(keys if keys[0] == "keydown" else ("key",) + keys))
    return hear(*then) if then else None


def titled(title, window=None):  # waits for `window`, or else the active one, to be titled `title`; gives its id
    which = ["getwindowname", window] if window else ["getactivewindow", "getwindowname"]
    name = lambda: run("xdotool", *which, ok="")
    poll("a window titled %r" % title, lambda: True if name() == title else None, seen=lambda: ", not %r" % name())
    return window or run("xdotool", "getactivewindow")


def column():  # the screen's pixels down a column right of every control, top to bottom
    shot = run("import", "-silent", "-window", "root", "-depth", "8", "rgb:-")
    return [tuple(shot[i:i + 3]) for i in range(3 * (W - 20), len(shot), 3 * W)]


def bands():  # waits for the client area, top row to screen foot, to show 256 bands (10s, 10s, i); gives its top
    def probe():
        pixels = column()
        top = next((y for y, (r, g, b) in enumerate(pixels) if r == g <= 140 and r % 10 == b == 0), 0)
        blues = [b for r, g, b in pixels[top:] if r == g == pixels[top][0]]
        return top if top and len(blues) == H - top and len(set(blues)) == 256 and all(
            abs(b - y * 256 // (H - top)) <= 1 for y, b in enumerate(blues)) else None
    return poll("blue bands", probe, seen=lambda: "; every 32nd pixel: %r" % column()[::32])


def question(*pressed, first=False):  # presses keys; gives k of "9 per k", said as the answer box takes the focus
    orca.current = []  # the question and the judgement before are gone
    said = keys(*pressed, then=[QUESTION])
    orca.current, k = [said[0]], int(said[1])
    expect("F2 told of at the first question only", said.string.endswith(F2_TOLD), first)
    # Flat review reads a window once laid out on screen; its line of the answer box holds the question. Orca 43 puts
    # zones on one line while their middles lie within 5 pixels: scaled past about 1.1, the question row falls on three.
    bands()
    line = review("KP_Up")
    expect("the question on screen", line, line if line == "%d Risposta" % k else "9 X %d = Risposta" % k)
    return k


def answer(typed, judgement):  # Orca adds a full stop to a judgement that ends without one
    orca.current[1:] = [judgement]
    keys("Return", typed=str(typed), then=[BUTTON % "Nuovo calcolo", r"^%s\.?$" % re.escape(judgement)])


def kids(node):
    return [node.get_child_at_index(i) for i in range(node.get_child_count())]


def windows(role):  # the children of each of the game's windows of a role, read off the accessibility bus
    return [kids(window) for app in kids(Atspi.get_desktop(0)) if app.get_name() == "quizzola" for window in kids(app)
            if window.get_role() == role]


def scaled(width, height, *designed):  # a box of the design, in pixels at its size, in a client area width x height
    s = min(width / 792, height / 554)  # the corner rounded as the game rounds it, to the nearest pixel
    return [int(v * s + 0.5) + (int((width - 792 * s) / 2 + 0.5) if i == 0 else 0) for i, v in enumerate(designed)]


def placed():  # each control's corner on the accessibility bus, against where the design fitted to the client puts it
    client = [area for area in windows(Atspi.Role.FRAME)[0] if area.get_role() == Atspi.Role.FILLER][0]
    area, corner = client.get_extents(Atspi.CoordType.SCREEN), lambda c: c.get_extents(Atspi.CoordType.SCREEN)
    expect("the controls' corners", [(corner(c).x - area.x, corner(c).y - area.y) for c in kids(client)],
           [tuple(scaled(area.width, area.height, x // 15, y // 15)) for x, y in DESIGN])


def box(text, title, button, *opening, typed=None):
    """Opens a message box with keys; checks its title, that Orca says its text once, with the button that takes the
    focus, and again on "where am I" (keypad Enter), that flat review reads it on the line above, and the bus too."""
    start, line = len(orca.said), " ".join(text.split())
    said = r"^%s %s" % (re.escape(line), BUTTON[1:] % button)
    keys(*opening, typed=typed, then=[said])
    titled(title)
    keys("KP_Home", then=["^%s$" % re.escape(line)])  # flat review, the line above
    keys("KP_Enter", then=[said])
    labels = [label.get_name() for box in windows(Atspi.Role.ALERT) for label in box if any(  # for a control
        r.get_relation_type() == Atspi.RelationType.LABEL_FOR for r in label.get_relation_set())]
    expect("the box's text on the accessibility bus", labels, [text])
    expect("times Orca said the box's text", sum(line in utterance for utterance in orca.said[start:]), 3)


def review(key):  # what Orca's flat review reads on keypad 7, 8 or 9: the line above, this one, below
    return keys(key, then=["."]).string


def begin(name, tag):  # starts Orca, then the program; plays up to the first question; gives (process, k, window)
    start_orca()
    process = start(os.path.abspath(sys.argv[1]), tag=tag)
    hear(r"^Come ti chiami\? text\.$")  # after "Quizzola dialog.", which a slow machine may skip
    titled(DIALOG)
    box(" %s vediamo se sei un vero campione  " % name, DIALOG, "OK", "Return", typed=name)  # as the prompt closes
    return process, question("Return", first=True), titled(MAIN)


def ends(process):  # waits for the program to end with code 0; gives the record files' bytes
    expect("exit code", poll("the program to end", process.poll, 15), 0)
    return [pathlib.Path(env["XDG_DATA_HOME"], "quizzola", n).read_bytes() for n in ("tavrec9.txt", "ntavrec9.txt")]


def game_a():
    process, k, window = begin("Mario", "-A")
    top = bands()
    placed()
    answer(9 * k, "Esatto! Mario sei forte!")
    answer(9 * question("alt+n"), "Esatto! Mario sei forte!")
    k = question("Return")
    answer(9 * k + 1, "Sbagliato!! %d" % (9 * k))
    poll("a black client area", lambda: True if set(column()[top:]) == {(0, 0, 0)} else None)
    keys("F2", then=[F2_SAYS % (2, 1, 3)])
    expect("the line above the buttons", review("KP_Home"), "2 1 3")
    expect("the line above the counts", review("KP_Home"), "Risposte esatte Risposte errate Risposte totali")
    keys("keydown", "alt", "sleep", "0.1", "key", "u", "sleep", "0.1", "keyup", "alt",  # alt held, as by a hand:
         then=[r"^autori@example\.org\.$"])  # a chord sent at once may end before the menu has the keyboard
    keys("Down", then=[r"^nuovo\.$"])
    box("INIZIAMO UNA NUOVA GARA  ?", "INIZIARE NUOVA GARA", "No", "Return")
    keys("Return", then=[BUTTON % "Nuovo calcolo"])  # No, the default: the game goes on
    k = question("Return")  # which paints the bands again
    orca.current[1:] = ["Sbagliato!! %d" % (9 * k)]  # a wrong answer, then at once the exit
    box("Ok! Ho registrato il tuo record, C A M P I O N E", DIALOG, "OK", "Return", "alt+x", typed=9 * k + 1)
    keys("Return")
    expect("record files after game A", ends(process), [b"2\r\n", b"Mario\r\n"])


def game_b():
    process, k, window = begin("Luigi", "-B")
    lines = []  # the lines below the question, down to the one after "con punti"
    while "con punti" not in lines[-2:-1]:
        lines.append(review("KP_Page_Up"))
    expect("the record read below the question", " ".join(lines).split("Il record ")[-1], "è di Mario con punti 2")
    keys("F2", then=[F2_SAYS % (0, 0, 0)])  # from the answer box
    answer(9 * k, "Esatto! Luigi sei forte!")
    answer(9 * question("space"), "Esatto! Luigi sei forte!")
    answer(9 * question("Return"), "Esatto! Luigi sei forte!")  # 3 beats the record, but
    run("xdotool", "windowminimize", window)  # minimised, then restored, the caption says what the game is about
    titled(MINIMISED, window)
    run("xdotool", "windowactivate", "--sync", window)
    expect("the restored window", titled(MINIMISED), window)
    keys("alt+F4")  # closing the window (not by a menu, which Qt may close) saves nothing
    expect("record files after game B", ends(process), [b"2\r\n", b"Mario\r\n"])


def sink(tag=""):  # a PulseAudio null sink in the sounds' format, recorded; gives the file
    socket, recording = os.path.join(env["HOME"], "pulse"), os.path.join(env["HOME"], "heard%s.raw" % tag)
    env["PULSE_SERVER"] = "unix:" + socket
    sink.daemon = start("pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                        "--disable-shm=yes", "--load=module-null-sink rate=44100 channels=1 norewinds=1",
                        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket, tag=tag)
    poll("a sound server", lambda: run("pactl", "get-default-sink", ok="null"))
    start("parec", "-d", "null.monitor", "--format=s16le", "--channels=1", recording, tag=tag)
    return poll("the recording", lambda: recording if os.path.exists(recording) else None)


def sound(recording, since, whole=True, what="a sound"):  # waits for it after sample `since` (whole: then 0.1 s silent)
    def probe():  # the sound's first and last sample
        pcm = open(recording, "rb").read()[2 * since:]
        first, last = len(pcm) - len(pcm.lstrip(b"\0")), len(pcm.rstrip(b"\0")) - 1  # bytes
        return (since + first // 2, since + last // 2) if last > 0 and (not whole or len(pcm) - last > 8820) else None
    return poll("%s after sample %d" % (what, since), probe)


def wine_sound():
    """Wine without Mono or Gecko (their installers would ask), its sound to the sink through its ALSA driver and ALSA's
    PulseAudio plug-in: Wine's own PulseAudio driver may write nothing for seconds to a null sink."""
    env.update(WINEPREFIX=env["HOME"] + "/wine", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml,winepulse.drv=")
    pathlib.Path(env["HOME"], ".asoundrc").write_text("pcm.!default pulse\nctl.!default pulse\n")


def sounds(player, dlls=""):
    """Plays wave files with the game's sound player (play_sounds; Windows' under Wine) on a null sink: a sound heard as
    recorded, again, after the server restarts, cut off by the next; bad files, and bad servers on Linux, unheard."""
    wine, home = player.endswith(".exe"), lambda name: os.path.join(env["HOME"], name + ".wav")
    wav = lambda name: os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "suoni", name + ".wav")
    if wine:  # the DLLs it loads in Windows' folders (joined by ":" in `dlls`), found through Wine's Z: drive
        wine_sound()
        env["WINEPATH"] = ";".join("Z:" + folder.replace("/", "\\") for folder in dlls.split(":"))
    riff = open(wav("Esatto"), "rb").read()  # Esatto.wav slowed to 5 s (4410 frames, 8820 bytes a second); cut short
    for name, data in (("long", riff[:24] + bytes.fromhex("3a11000074220000") + riff[32:]), ("damaged", riff[:20000])):
        pathlib.Path(home(name)).write_bytes(data)
    sounds.silent = socket.create_server(os.path.join(env["HOME"], "silent"), family=socket.AF_UNIX)  # never answers
    recording = sink()  # its recording is also the row's file that is not a wave file
    heard = lambda: open(recording, "rb").read()
    # Each row: the files played in turn ("" where the server restarts), whether the last is heard, the server used.
    rows = [("same sound again", [wav("Esatto")] * 2, True, "pulse"),
            ("after a restart", [wav("no"), "", wav("no")], True, "pulse"),
            ("not a wave file", [recording], False, "pulse"),
            ("damaged wave file", [home("damaged")], False, "pulse"),
            ("cut off", [home("long"), home("missing")], False, "pulse")]
    rows += [] if wine else [("no server", [wav("Esatto")], False, "none"),
                             ("server that never answers", [wav("Esatto")], False, "silent")]
    for number, (row, files, loud, server) in enumerate(rows):
        driver = start(*["wine"] * wine, player, tag="-%d" % number, text=True, bufsize=1, stdin=subprocess.PIPE,
                       stdout=subprocess.PIPE, env=dict(env, PULSE_SERVER="unix:" + os.path.join(env["HOME"], server)))
        for file in files:  # each but the last heard, and whole before one heard whole
            since = len(heard()) // 2 + (0 if loud or file != files[-1] else 22050)  # 0.5 s to stop
            if not file:  # the server restarts: a new one on the same socket (the recorder ends with the old)
                sink.daemon.terminate()
                sink.daemon.wait()
                recording = sink("-%d" % number)
                continue
            driver.stdin.write(("Z:" + file.replace("/", "\\") if wine else file) + "\n")  # a line at a time
            expect(row + ": the player's answer", driver.stdout.readline(), "taken\n")  # not kept waiting
            if file != files[-1] or loud:  # heard; if to be heard whole, to its end (or it is cut off)
                span = sound(recording, since, loud, row + ": a sound")
            else:  # 1.5 s, with no sound at all
                poll(row + ": 1.5 s", lambda: True if len(heard()) > 2 * since + 132300 else None)
                expect(row + ": samples heard", len(heard()[2 * since:].strip(b"\0")) // 2, 0)
        if row == "cut off":  # stopped as soon as played: the player returns at once, never after its sound
            expect(row + ": under 2.5 s heard", len(heard()[2 * span[0]:].rstrip(b"\0")) < 220500, True)
        sample, pcm = (heard()[2 * span[0]:2 * span[1] + 2], open(files[-1], "rb").read()[44:]) if loud else (b"", b"")
        if loud and wine:  # Wine drops a few ms here and there, more when busy: 400 samples in a row as in the file
            expect(row + ": heard as recorded", any(pcm[i:i + 800] in sample for i in range(0, len(pcm), 2000)), True)
            expect(row + ": heard no longer than recorded", len(sample) <= len(pcm), True)
        elif loud:  # all of it, as it is: not played at another rate, channel count or sample size
            expect(row + ": heard as recorded", sample.strip(b"\0") == pcm.strip(b"\0"), True)
        driver.stdin.close()
        expect(row + ": the player's end", driver.wait(timeout=10), 0)


def read(colour, x, y, w, h, pattern, *options):  # waits for tesseract to read `pattern` in a colour at (x, y)
    shot = lambda: run("convert", "x:root", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", "-fuzz", "30%",
                       "-fill", "white", "+opaque", colour, "-bordercolor", "white", "-border", 20, "png:-")
    text = lambda: run("tesseract", "stdin", "stdout", "--psm", 7, *options, stdin=shot())
    return poll("to read %r in %s" % (pattern, colour), lambda: re.fullmatch(pattern, text()),
                seen=lambda: ", not %r" % text())


def narrated(*lines):  # waits for UI Automation to give elements like these (type "name", " *" on the focused one)
    def probe():  # asks uia_read for the foreground window's elements, given whole, then "end"
        asked = len(narrator.said)
        narrator.client.stdin.write("\n")
        poll("uia_read's tree", lambda: True if "end" in narrator.said[asked:] else None)
        narrator.tree = [line[8:] for line in narrator.said[asked:] if line.startswith("element ")]
        return None if missing() else True
    missing = lambda: [l for l in set(lines) if sum(bool(re.fullmatch(l, e)) for e in narrator.tree) < lines.count(l)]
    if narrator.client:
        poll("UI Automation to give %r" % (lines,), probe, seen=lambda: "; not %r in %r" % (missing(), narrator.tree))


def wine_game(setup, uia=None):
    """Installs the Windows build silently under Wine, for all users and uninstalls it, then for the current user; plays
    a won game by keyboard from the Start menu's shortcut, sees and hears it; finds the record pair in AppData; and
    uninstalls the game, which leaves the record."""
    wine_sound()
    env["WINEDEBUG"] += ",fixme+uiautomation"  # Wine's notes of the UI Automation calls it has not finished, such as
    recording, drive = sink(), os.path.join(env["WINEPREFIX"], "drive_c")  # the notifications the game raises

    def install(mode, key, folder, link):  # silent, for all users or the current user alone; gives its uninstaller
        run("wine", setup, "/S", "/" + mode, timeout=120)  # the prefix is made on the way
        entry = ["wine", "reg", "query", key + r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quizzola"]
        made = lambda: [len(glob.glob(drive + path)) for path in (folder + "/quizzola.exe", folder + "/NOTICE.txt",
                                                                   folder + "/licenses/Qt/LGPL-3.0-only.txt", link)]
        expect(mode + ": installed with its licences", made(), [1, 1, 1, 1])
        command = shlex.split(re.search(r"QuietUninstallString\s+REG_SZ\s+(.*)", run(*entry, ok="Quizzola"))[1])

        def uninstall():  # as the installed-programs list does it
            run("wine", *command)
            poll(mode + ": the uninstaller to end", lambda: None if glob.glob(drive + folder) else True)
            expect(mode + ": left behind", [made(), run(*entry, ok="Quizzola")], [[0, 0, 0, 0], None])
        return uninstall

    # An administrator's installation for all users, then one in the user's own folders, with no administrator.
    install("AllUsers", "HKLM", "/Program Files/Quizzola", "/ProgramData/Microsoft/Windows/Start Menu/Programs/*.lnk")()
    user = "/users/*/AppData/"
    uninstall = install("CurrentUser", "HKCU", user + "Local/Programs/Quizzola",
                        user + "Roaming/Microsoft/Windows/Start Menu/Programs/Quizzola.lnk")
    link = glob.glob(drive + user + "Roaming/Microsoft/Windows/Start Menu/Programs/Quizzola.lnk")[0]
    # Read as a screen reader reads it, through UI Automation, from Wine 10: Wine 8 hangs a Qt window walked so.
    if uia and int(re.search(r"wine-(\d+)", run("wine", "--version"))[1]) >= 10:
        narrator.client = start("wine", uia, tag="-uia", stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                bufsize=1)
        lines = map(str.strip, narrator.client.stdout)  # "ready", then each tree and focus event, read as they come
        threading.Thread(target=narrator.said.extend, args=(lines,), daemon=True).start()
    # The shortcut's target, the path Windows would start (`wine start` tells not the exit code of what it starts).
    process = start("wine", re.search(rb"C:\\[ -~]+?\.exe", open(link, "rb").read())[0].decode())
    prompt = titled(DIALOG)
    narrated(r'text "Come ti chiami\?"', r'edit "Come ti chiami\?" \*')
    keys("Return", typed=NAME)
    poll("the greeting", lambda: True if run("xdotool", "getactivewindow") != prompt else None)
    narrated('text " %s vediamo se sei un vero campione  "' % NAME, r'button "OK" \*')
    keys("Return")
    titled(MAIN)
    top = bands()
    box = lambda *designed: [v + (top if i == 1 else 0) for i, v in enumerate(scaled(W, H - top, *designed))]
    # Within its box's frame, a rectangle round a digit in which tesseract at this size may read nothing.
    k = int(read("blue", *box(280, 3, 74, 69), r"\d+", "-c", "tessedit_char_whitelist=0123456789")[0])
    narrated('text "9"', 'text "X"', 'text "%d"' % k, 'text "="', r'text "\d\d:\d\d:\d\d"', r'edit "Risposta" \*')
    focused = len(narrator.said)
    keys("Return", typed=str(9 * k))
    read("red", *box(112, 136, 441, 41), r"Esatto! Zo.* sei forte!")  # the "è" and "&" as tesseract reads them
    narrated('text "Esatto! %s sei forte!"' % NAME, r'button "Nuovo calcolo" \*')
    if narrator.client:  # the focus-changed event; the notification, which Wine 10 notes and sends to no client
        poll("the focus event", lambda: 'focus button "Nuovo calcolo" *' in narrator.said[focused:] or None)
        log = lambda: pathlib.Path(env["HOME"], "wine.log").read_text(errors="replace")
        poll("the notification", lambda: re.search(r'NotificationEvent.*L"Esatto! Zo\\00e8 & Co sei forte!"', log()))
    sound(recording, 0)
    keys("alt+x")
    titled(DIALOG)  # the congratulation
    narrated('text "Ok! Ho registrato il tuo record, C A M P I O N E"', r'button "OK" \*')
    keys("Return")
    expect("exit code", poll("the game to end", process.poll, 15), 0)
    records = sorted(glob.glob(drive + "/users/*/AppData/Roaming/quizzola/*.txt"))  # the holder's, the score's
    expect("the record pair", [open(name, "rb").read() for name in records], [NAME.encode() + b"\r\n", b"1\r\n"])
    uninstall()
    expect("the record pair kept", all(map(os.path.exists, records)), True)


def main():
    signal.signal(signal.SIGALRM, lambda *_: sys.exit("the run took over 150 s"))  # a fault as any other, caught below
    signal.alarm(150)  # below CTest's 180 s, so `finally` always has its turn
    work = tempfile.mkdtemp(prefix="quizzola-play-")
    try:  # of the caller's environment only these: not its session, nor its Qt platform (offscreen in `make test`)
        env.update((k, v) for k, v in os.environ.items() if k in ("PATH", "LANG", "LC_ALL") or "SAN_OPTIONS" in k)
        for name in ("HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
            os.makedirs(env.setdefault(name, os.path.join(work, name.lower())), 0o700)
        if sys.argv[1] == "--sounds":
            sounds(*sys.argv[2:])
        elif sys.argv[1] == "--wine":
            desktop(work, screen_reader=False)
            run("setxkbmap", "it")  # the children's keyboard: Wine may miss a key xdotool maps on the fly
            wine_game(*sys.argv[2:3], *sys.argv[4:5])  # and with --uia, the UI Automation client
        else:
            desktop(work)
            game_a()
            game_b()
        print("PASS." + (" Orca said:\n  " + "\n  ".join(orca.said) if orca.said else ""))
        return 0
    except BaseException as error:  # noqa: BLE001 - any fault fails the test
        print("FAIL: %s: %s\n--- Orca said, last:\n  %s\n--- Orca's log, last lines:\n%s" % (
            type(error).__name__, error, "\n  ".join(orca.said[-15:]), "\n".join(orca.log)), flush=True)
        subprocess.run(["tail", "-n", "6", *sorted(glob.glob(os.path.join(env.get("HOME", work), "*.log")))])
        return 1
    finally:
        signal.alarm(0)
        for process in reversed(children):  # a SIGTERM first lets Xvfb and the bus launcher tidy up
            for sig in (signal.SIGTERM, signal.SIGKILL):
                with contextlib.suppress(ProcessLookupError, subprocess.TimeoutExpired):
                    os.killpg(process.pid, sig)
                    process.wait(timeout=3)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
