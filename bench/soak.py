#!/usr/bin/env python3
"""Soak: the real program under random input for a long time.

Starts the program from a fresh copy of a distribution folder (by default the
sanitizer build's) under its own X display (Xvfb), with the PulseAudio null
sink as its sound card, a local SMTP server for its mail and a CUPS queue of
its own for its print jobs; by default it also starts a sound server of its
own, so that what the program says reaches no other test's recording. For the given time it sends random input through
the X server as a keyboard and a mouse do (XTest, xdotool): arrow keys with
and without Shift, Ctrl and Alt, the numeric keypad, Enter, Space, Tab, the
main keyboard's digits, pointer moves and clicks over the window, the menu
short-cuts, and now and then a choice from the menus (input method, practice
level, display size and inversion, read-me, version notice). Everything that
would end the program is left out: the "おわり" key is never clicked and never
pressed while it has the focus (the blue frame round it is looked for on the
screen before every Enter, Space and keypad Enter), keypad "/" is not sent
while the arrow-key method is selected, Ctrl+Q and the menu item 終了 are not
used. Message boxes and menus that appear are closed with Escape.

Every 10 s it samples the program's resident memory (VmRSS). At the end it
checks that the program is still alive, still speaks when a key is reached,
ends cleanly through "おわり" and its notice, and that no AddressSanitizer,
LeakSanitizer or UndefinedBehaviorSanitizer report was printed. It prints the
memory series, the value after the first minute and at the end, and the
growth in between.

Usage: soak.py [--seconds 600] [--dist DIR] [--method arrow|mouse|keypad]
               [--seed N] [--max-growth-kib K] [--shared-sound] [--json FILE] [--keep]
"""

import argparse
import ctypes
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
os.environ.setdefault("MOJIPOT_SOURCE_DIR", ROOT)
from harness import TITLE, Display, Recorder, SoundServer, sjis  # noqa: E402

SINK = os.path.join(ROOT, "tests", "mail_smtp_sink.py")
SYSTEM_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
QUEUE = f"mojipot_soak_{os.getpid()}"  # one queue per run: runs may overlap
END_KEY = 65  # "おわり"
DESIGNED_WIDTH = 878
REPORT_PATTERNS = re.compile(
    r"ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|SUMMARY: UndefinedBehaviorSanitizer"
    r"|SUMMARY: AddressSanitizer")
METHODS = {"arrow": 1, "mouse": 2, "keypad": 3}


def key_geometry():
    """Tag → designed (left, top, width, height), read from the key table."""
    with open(os.path.join(ROOT, "base", "keytable.cpp"), encoding="utf-8") as f:
        text = f.read()
    keys = {}
    for m in re.finditer(r"\{(\d+), \"\w+\",[^{}]*?QRect\((\d+), (\d+), (\d+), (\d+)\)", text):
        keys[int(m.group(1))] = tuple(int(v) for v in m.groups()[1:])
    if sorted(keys) != list(range(66)):
        raise RuntimeError("the key table could not be read from base/keytable.cpp")
    return keys


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class X:
    """Key presses through XTest as a keyboard makes them, and the window's pixels."""

    def __init__(self, display):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        x11 = self.x11
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XStringToKeysym.restype = ctypes.c_ulong
        x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        x11.XGetImage.restype = ctypes.POINTER(XImage)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        x11.XGetInputFocus.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int)]
        x11.XSetErrorHandler.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)
        # A window that vanished between looking and reading is no reason to stop.
        self._handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        x11.XSetErrorHandler(ctypes.cast(self._handler, ctypes.c_void_p))
        self.codes = {}

    def code(self, name):
        if name not in self.codes:
            c = self.x11.XKeysymToKeycode(self.dpy, self.x11.XStringToKeysym(name.encode()))
            if not c:
                raise ValueError("no key for " + name)
            self.codes[name] = c
        return self.codes[name]

    def _event(self, name, down):
        self.xtst.XTestFakeKeyEvent(self.dpy, self.code(name), down, 0)
        self.x11.XFlush(self.dpy)

    def press(self, name, modifiers=(), hold=0.03):
        """One press and release of a key, with the modifier keys held round it."""
        for m in modifiers:
            self._event(m, 1)
        self._event(name, 1)
        time.sleep(hold)
        self._event(name, 0)
        for m in reversed(modifiers):
            self._event(m, 0)
        time.sleep(0.01)

    def focus(self):
        win = ctypes.c_ulong()
        revert = ctypes.c_int()
        self.x11.XGetInputFocus(self.dpy, ctypes.byref(win), ctypes.byref(revert))
        return win.value

    def pixels(self, window, width, height):
        """The window's pixels as (bytes, bytes per line); 32-bit BGRX."""
        img = self.x11.XGetImage(self.dpy, window, 0, 0, width, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not img:
            return None, 0
        try:
            im = img.contents
            if im.bits_per_pixel != 32:
                raise RuntimeError("the soak reads 32-bit screens only")
            data = ctypes.string_at(im.data, im.bytes_per_line * im.height)
            return data, im.bytes_per_line
        finally:
            self.x11.XDestroyImage(img)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


def rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def rss_parts_kib(pid):
    """The resident memory in its parts: anonymous (the heap and stacks),
    file-backed (program, libraries and fonts as far as they have been
    read) and shared memory (the window's image shared with the X server)."""
    parts = {}
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                name, _, value = line.partition(":")
                if name in ("RssAnon", "RssFile", "RssShmem"):
                    parts[name[3:].lower()] = int(value.split()[0])
    except OSError:
        pass
    return parts


def run(*cmd, env=None):
    return subprocess.run(cmd, env=env, capture_output=True, text=True)


def ensure_services(env):
    """PulseAudio with the null sink and CUPS, as the test script starts them."""
    if run("pactl", "info", env=env).returncode == 0 and "mojipot_null" in run("pactl", "list", "short", "sinks",
                                                                              env=env).stdout:
        return
    out = subprocess.run(["bash", "-c", f". '{ROOT}/scripts/services' && echo \"$XDG_RUNTIME_DIR\""], env=env,
                         capture_output=True, text=True).stdout.strip().splitlines()
    if out:
        env["XDG_RUNTIME_DIR"] = out[-1]
        os.environ["XDG_RUNTIME_DIR"] = out[-1]


class PrintQueue:
    """A CUPS queue of the soak's own, writing PDF files like the default
    printer; the program prints to it (LPDEST), and at the end its PDF files
    are removed with the queue. Without it the program prints to the default."""

    def __init__(self):
        self.made = run("lpadmin", "-p", QUEUE, "-E", "-v", "cups-pdf:/", "-m",
                        "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd").returncode == 0
        if self.made:
            run("cupsenable", QUEUE)
            run("cupsaccept", QUEUE)

    def jobs(self):
        out = run("lpstat", "-W", "all", "-o", QUEUE).stdout
        return [int(m.group(1)) for m in re.finditer(rf"^{QUEUE}-(\d+)\s", out, re.M)]

    def finish(self):
        if not self.made:
            return 0
        ids = self.jobs()
        deadline = time.monotonic() + 60
        while run("lpstat", "-o", QUEUE).stdout.strip() and time.monotonic() < deadline:
            time.sleep(0.5)
        run("cancel", "-a", QUEUE)
        folders = {"/var/spool/cups-pdf/ANONYMOUS"}
        try:
            with open("/etc/cups/cups-pdf.conf") as f:
                for line in f:
                    m = re.match(r"\s*Out\s+(\S.*)$", line)
                    if m:
                        folders.add(m.group(1).strip().replace("${HOME}", os.path.expanduser("~"))
                                    .replace("${USER}", os.environ.get("USER", "root")))
        except OSError:
            pass
        for folder in folders:
            if not os.path.isdir(folder):
                continue
            for name in os.listdir(folder):
                m = re.search(r"job_(\d+)", name)
                if m and int(m.group(1)) in ids:
                    os.unlink(os.path.join(folder, name))
        run("lpadmin", "-x", QUEUE)
        return len(ids)


class Soak:
    def __init__(self, args):
        self.args = args
        self.rng = random.Random(args.seed)
        self.keys = key_geometry()
        self.counts = {}
        self.samples = []  # (seconds since start, KiB)
        self.parts = []  # (seconds since start, {"anon": KiB, "file": KiB, "shmem": KiB})
        self.made_audio = []  # (seconds since start, KiB of synthesised audio in the speech cache folder)
        self.log_lines = []

    # ----- setting up

    def start(self):
        a = self.args
        self.tmp = tempfile.mkdtemp(prefix="mojipot-soak-")
        self.dist = os.path.join(self.tmp, "dist")
        shutil.copytree(a.dist, self.dist, ignore=shutil.ignore_patterns("mojipot.ini", "*.png", "smail.ini"))
        for f in os.listdir(os.path.join(self.dist, "日記")):
            os.unlink(os.path.join(self.dist, "日記", f))
        self.env = dict(os.environ)
        ensure_services(self.env)  # CUPS, and the shared sound server
        if not a.shared_sound:
            self.sound = SoundServer(self.tmp)
            self.env["PULSE_SERVER"] = os.environ["PULSE_SERVER"] = self.sound.address
        self.box = os.path.join(self.tmp, "mailbox")
        os.makedirs(self.box)
        self.sink = subprocess.Popen([SYSTEM_PYTHON, SINK, self.box], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        line = self.sink.stdout.readline().decode()
        if not line.startswith("ready "):
            raise RuntimeError("the SMTP server did not start")
        port = int(line.split()[1])
        self.method = METHODS[a.method]
        with open(self.ini_path, "wb") as f:
            f.write(sjis(f"[入力方法]\r\n番号={self.method}\r\n[メール]\r\n送信先=tomodachi@example.org\r\n"
                         f"自分のアドレス=watashi@example.org\r\nSMTP=127.0.0.1:{port}\r\n"))
        self.queue = PrintQueue()
        self.display = Display()
        self.env["DISPLAY"] = self.display.start()
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env["XDG_CACHE_HOME"] = os.path.join(self.tmp, "cache")
        if self.queue.made:
            self.env["LPDEST"] = QUEUE
        sanitizer = self.env.get("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1")
        # Freed memory waits in the quarantine (256 MiB by default) before it
        # is reused; a small one keeps the resident figure the program's own.
        if "quarantine_size_mb" not in sanitizer:
            sanitizer += f":quarantine_size_mb={a.quarantine_mb}"
        self.env["ASAN_OPTIONS"] = sanitizer
        # The sanitizer build writes its live heap here (the program's own
        # memory apart from the sanitizer's bookkeeping); other builds do not.
        self.heap_log = os.path.join(self.tmp, "heap.log")
        self.env["MOJIPOT_HEAP_LOG"] = self.heap_log
        self.env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
        self.env.setdefault("LSAN_OPTIONS", f"suppressions={ROOT}/tests/lsan.supp:print_suppressions=0")
        self.x = X(self.env["DISPLAY"])
        self.x.press("Num_Lock")
        self.log_path = os.path.join(self.tmp, "program.log")
        self.log = open(self.log_path, "wb")
        self.proc = subprocess.Popen([os.path.join(self.dist, "mojipot")], cwd=self.dist, env=self.env,
                                     stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 60
        self.window = None
        while time.monotonic() < deadline and self.proc.poll() is None:
            r = self.xdo("search", "--onlyvisible", "--name", f"^{TITLE}$")
            if r.returncode == 0 and r.stdout.strip():
                self.window = int(r.stdout.split()[0])
                break
            time.sleep(0.2)
        if not self.window:
            raise RuntimeError("the window did not appear:\n" + self.output())
        self.focus_main()
        time.sleep(1.0)
        self.measure_board()

    def measure_board(self):
        """Where the board lies in the window: below the menu bar, at the
        window's scale."""
        out = self.xdo("getwindowgeometry", "--shell", str(self.window)).stdout
        vals = dict(line.split("=", 1) for line in out.split())
        self.width, self.height = int(vals["WIDTH"]), int(vals["HEIGHT"])
        self.scale = self.width / DESIGNED_WIDTH
        data, stride = self.x.pixels(self.window, self.width, self.height)
        self.top = None
        for y in range(self.height):
            i = y * stride + 5 * 4
            if data[i:i + 3] == b"\x00\xff\xff":  # yellow, as B G R
                self.top = y
                break
        if self.top is None:
            raise RuntimeError("the board was not found in the window")

    @property
    def ini_path(self):
        return os.path.join(self.dist, "mojipot.ini")

    def output(self):
        self.log.flush()
        with open(self.log_path, "rb") as f:
            return f.read().decode(errors="replace")

    def xdo(self, *args):
        return run("xdotool", *args, env=self.env)

    # ----- what the screen and the files show

    def rect(self, tag):
        left, top, w, h = self.keys[tag]
        s = self.scale
        return round(left * s), self.top + round(top * s), round(w * s), round(h * s)

    def framed_keys(self):
        """Tags of the keys with the blue frame round them: blue pixels on
        all four sides, just outside the key."""
        data, stride = self.x.pixels(self.window, self.width, self.height)
        if data is None:
            return None

        def blue(x, y):
            if not (0 <= x < self.width and 0 <= y < self.height):
                return False
            i = y * stride + x * 4
            return data[i:i + 3] == b"\xff\x00\x00"

        framed = []
        for tag in self.keys:
            left, top, w, h = self.rect(tag)
            if (blue(left - 3, top + h // 2) and blue(left + w + 2, top + h // 2) and blue(left + w // 2, top - 3)
                    and blue(left + w // 2, top + h + 2)):
                framed.append(tag)
        return framed

    def stored_method(self):
        try:
            with open(self.ini_path, "rb") as f:
                text = f.read().decode("cp932", errors="replace")
        except OSError:
            return None
        m = re.search(r"\[入力方法\][^\[]*?番号=(\d+)", text)
        return int(m.group(1)) if m else None

    def other_windows(self):
        r = self.xdo("search", "--onlyvisible", "--pid", str(self.proc.pid))
        return [int(w) for w in r.stdout.split() if int(w) != self.window]

    def focus_main(self):
        if self.x.focus() != self.window:
            self.xdo("windowfocus", "--sync", str(self.window))

    def close_others(self):
        """Escape in every message box or menu that is open, then the main
        window has the keyboard again."""
        for _ in range(5):
            others = self.other_windows()
            if not others:
                break
            for w in others:
                self.xdo("windowfocus", "--sync", str(w))
                self.x.press("Escape")
                self.count("closed a box or menu")
            time.sleep(0.3)
        self.focus_main()

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    # ----- the random input

    def pick_arrow(self):
        mods = self.rng.choice([(), (), ("Shift_L",), ("Control_L",), ("Alt_L",), ("Shift_L", "Control_L")])
        name = self.rng.choice(["Left", "Right", "Up", "Down"])
        self.x.press(name, mods)
        self.count("arrow " + "+".join(m[:-2].lower() for m in mods) if mods else "arrow")

    def pick_keypad(self):
        names = [f"KP_{d}" for d in range(10)] + ["KP_Add", "KP_Subtract", "KP_Multiply", "KP_Decimal"]
        # Keypad "/" ends the program while the arrow-key method is selected.
        if self.method in (2, 3):
            names.append("KP_Divide")
        name = self.rng.choice(names)
        self.x.press(name)
        self.count("keypad")

    def press_focused(self):
        """Enter, Space or keypad Enter, only when the blue frame is seen round
        a key other than "おわり" (a key reached otherwise has no frame only
        right after "マウス入力" is chosen, and then nothing is pressed)."""
        if self.other_windows():
            return
        time.sleep(0.15)  # the last moves have been handled and painted
        first = self.framed_keys()
        time.sleep(0.1)
        second = self.framed_keys()
        if not first or first != second or END_KEY in first:
            self.count("press skipped (frame on おわり or none)")
            return
        self.x.press(self.rng.choice(["Return", "space", "KP_Enter"]))
        self.count(f"pressed key {first[0]}")
        self.count("press")

    def pointer_point(self, for_click):
        for _ in range(50):
            x = self.rng.randrange(2, self.width - 2)
            y = self.rng.randrange(self.top + 2, self.height - 2)
            if for_click:
                left, top, w, h = self.rect(END_KEY)
                if left - 12 <= x <= left + w + 12 and top - 12 <= y <= top + h + 12:
                    continue
            return x, y
        return None

    def pick_pointer(self, click):
        p = self.pointer_point(click)
        if not p:
            return
        self.xdo("mousemove", "--window", str(self.window), str(p[0]), str(p[1]))
        if self.rng.random() < 0.5:
            time.sleep(0.05)
            self.xdo("mousemove_relative", "--", str(self.rng.randint(-3, 3)), str(self.rng.randint(-3, 3)))
        if click:
            # the pointer may have moved onto "おわり" by the small movement
            self.xdo("mousemove", "--window", str(self.window), str(p[0]), str(p[1]))
            self.xdo("click", "1")
            self.count("click")
        else:
            self.count("pointer move")

    def pick_shortcut(self):
        name, mods = self.rng.choice([("r", ("Control_L",)), ("z", ("Control_L",)), ("c", ("Control_L",)),
                                      ("v", ("Control_L",)), ("Delete", ()), ("Delete", ("Control_L",)),
                                      ("s", ("Control_L",)), ("p", ("Control_L",)), ("m", ("Control_L",))])
        self.x.press(name, mods)
        self.count("shortcut " + ("ctrl+" if mods else "") + name)

    def pick_menu(self):
        """A menu opened with its Alt key and an item chosen with Down and
        Enter, once the menu is seen open."""
        menus = [("i", "method", 3), ("t", "practice", 5), ("c", "size", 4), ("h", "help", 2)]
        letter, what, n = self.rng.choice(menus)
        index = self.rng.randrange(n)
        if what == "method":
            index = self.rng.choice([i for i in range(3) if i + 1 != self.method])
        self.focus_main()
        self.x.press(letter, ("Alt_L",))
        deadline = time.monotonic() + 3
        while not self.other_windows() and time.monotonic() < deadline:
            time.sleep(0.1)
        if not self.other_windows():
            # the practice menu is disabled with the keypad method
            self.x.press("Escape")
            self.count("menu not opened")
            return
        time.sleep(0.2)
        for _ in range(index):
            self.x.press("Down")
        self.x.press("Return")
        self.count(f"menu {what} {index}")
        time.sleep(0.3)
        self.close_others()  # the version notice
        if what == "method":
            want = index + 1
            deadline = time.monotonic() + 10
            while self.stored_method() != want and time.monotonic() < deadline:
                time.sleep(0.1)
            self.method = self.stored_method() if self.stored_method() == want else None
            # Choosing "マウス入力" takes the frame away from the focused key;
            # Tab gives the focus (and the frame) to the next key.
            self.x.press("Tab")

    def step(self):
        if self.other_windows():
            self.close_others()
        self.focus_main()
        r = self.rng.random() * 100
        if r < 26:
            self.pick_arrow()
        elif r < 46:
            self.pick_keypad()
        elif r < 58:
            self.press_focused()
        elif r < 62:
            self.x.press("Tab", self.rng.choice([(), ("Shift_L",)]))
            self.count("tab")
        elif r < 65:
            self.x.press(str(self.rng.randrange(10)))
            self.count("digit")
        elif r < 76:
            self.pick_pointer(False)
        elif r < 84:
            self.pick_pointer(True)
        elif r < 92:
            self.pick_shortcut()
        elif r < 93.5:
            self.pick_menu()
        elif r < 94:
            self.x.press("Num_Lock")
            self.count("number lock")
        time.sleep(self.rng.uniform(0.02, 0.25))

    # ----- the run

    def sample(self, t0):
        kib = rss_kib(self.proc.pid)
        parts = rss_parts_kib(self.proc.pid)
        if kib is not None:
            t = round(time.monotonic() - t0)
            self.samples.append((t, kib))
            self.parts.append((t, parts))
            self.made_audio.append((t, self.cache_kib()))
            print(f"  {t:4d} s  {kib / 1024:8.1f} MiB  ("
                  + ", ".join(f"{k} {v / 1024:.1f}" for k, v in parts.items())
                  + f"; speech made {self.made_audio[-1][1] / 1024:.1f})", flush=True)

    def soak(self):
        t0 = time.monotonic()
        next_sample = t0
        end = t0 + self.args.seconds
        steps = 0
        while time.monotonic() < end:
            if time.monotonic() >= next_sample:
                self.sample(t0)
                next_sample += 10
            if self.proc.poll() is not None:
                break
            self.step()
            steps += 1
        self.sample(t0)
        self.steps = steps

    def cache_kib(self):
        """The audio the program has synthesised in this run: it writes every
        piece it makes to its cache folder as well, and keeps the most recent
        16 MiB of them in memory."""
        total = 0
        for folder, _, names in os.walk(self.env["XDG_CACHE_HOME"]):
            for n in names:
                try:
                    total += os.path.getsize(os.path.join(folder, n))
                except OSError:
                    pass
        return total // 1024

    def live_heap(self):
        """(seconds, KiB) of the program's live heap, from the sanitizer
        build's heap log; empty for other builds."""
        out = []
        try:
            with open(self.heap_log) as f:
                for line in f:
                    fields = line.split()
                    if len(fields) == 3:
                        out.append((int(fields[0]), int(fields[1]) // 1024))
        except OSError:
            pass
        return out

    def heard_after_move(self):
        self.close_others()
        recorder = Recorder()
        recorder.start()
        try:
            time.sleep(2.0)
            for name in ["Left", "Right", "Down", "Up"]:
                mark = recorder.mark()
                self.x.press(name)
                if recorder.loud_after(mark, 5):
                    return True
            return False
        finally:
            recorder.stop()

    def end_program(self):
        """Ctrl+Q: the farewell and its notice; Escape closes it and the
        program ends."""
        self.close_others()
        self.x.press("q", ("Control_L",))
        deadline = time.monotonic() + 20
        while not self.other_windows() and time.monotonic() < deadline:
            time.sleep(0.2)
        self.close_others()
        try:
            return self.proc.wait(60)
        except subprocess.TimeoutExpired:
            return None

    def finish(self):
        a = self.args
        alive = self.proc.poll() is None
        heard = alive and self.heard_after_move()
        code = self.end_program() if alive else self.proc.returncode
        out = self.output()
        reports = [line for line in out.splitlines() if REPORT_PATTERNS.search(line)]
        settle = min(60, a.seconds // 2)
        at_settle = next((kib for t, kib in self.samples if t >= settle), None)
        last = self.samples[-1][1] if self.samples else None
        after = [(t, k) for t, k in self.samples if t >= settle]
        slope = None
        if len(after) >= 3:
            n = len(after)
            mt = sum(t for t, _ in after) / n
            mk = sum(k for _, k in after) / n
            den = sum((t - mt) ** 2 for t, _ in after)
            slope = sum((t - mt) * (k - mk) for t, k in after) / den * 60 if den else 0.0
        growth = None if at_settle is None or last is None else last - at_settle
        parts_at_settle = next((p for t, p in self.parts if t >= settle), {})
        parts_end = self.parts[-1][1] if self.parts else {}
        part_growth = {k: parts_end[k] - parts_at_settle[k] for k in parts_end if k in parts_at_settle}
        mails = len([n for n in os.listdir(self.box) if n.endswith(".eml")])
        diaries = len(os.listdir(os.path.join(self.dist, "日記")))
        jobs = self.queue.finish()
        heap = self.live_heap()
        result = {
            "seconds": a.seconds, "seed": a.seed, "steps": self.steps, "alive_at_end": alive,
            "speaks_at_end": heard, "exit_code": code, "sanitizer_reports": reports,
            "rss_kib": self.samples, "settle_s": settle, "rss_at_settle_kib": at_settle, "rss_end_kib": last,
            "growth_kib": growth, "slope_kib_per_min": slope, "rss_parts_kib": self.parts,
            "part_growth_kib": part_growth, "live_heap_kib": heap, "speech_made_kib": self.made_audio, "max_kib": max((k for _, k in self.samples), default=None),
            "mails_received": mails, "diary_files": diaries, "print_jobs": jobs, "counts": self.counts,
        }
        print(f"soak: {a.seconds} s, {self.steps} random inputs (seed {a.seed})")
        for what in sorted(self.counts):
            print(f"  {self.counts[what]:6d}  {what}")
        print(f"mails received {mails}, print jobs {jobs}, diary files {diaries}")
        print("resident memory (VmRSS) every 10 s, KiB: " + " ".join(str(k) for _, k in self.samples))
        if at_settle is not None and last is not None:
            print(f"after {settle} s: {at_settle} KiB ({at_settle / 1024:.1f} MiB); at the end: {last} KiB "
                  f"({last / 1024:.1f} MiB); growth {growth:+d} KiB ({100 * growth / at_settle:+.1f} %)"
                  + (f"; trend after {settle} s {slope:+.0f} KiB/min" if slope is not None else ""))
        if part_growth:
            print(f"of which after {settle} s: " + ", ".join(
                f"{k} {parts_at_settle[k]} → {parts_end[k]} KiB ({v:+d})" for k, v in part_growth.items()))
        if heap:
            h_settle = next((k for t, k in heap if t >= settle), heap[-1][1])
            print(f"live heap as the sanitizer's allocator counts it, KiB: " + " ".join(str(k) for _, k in heap))
            print(f"live heap after {settle} s: {h_settle} KiB; at the end: {heap[-1][1]} KiB "
                  f"({heap[-1][1] - h_settle:+d})")
        made_settle = next((k for t, k in self.made_audio if t >= settle), None)
        if made_settle is not None:
            print(f"speech synthesised after {settle} s (the memory cache keeps up to 16 MiB of it): "
                  f"{self.made_audio[-1][1] - made_settle:+d} KiB")
        print(f"alive at the end: {alive}; speaks when a key is reached: {heard}; exit code after おわり: {code}")
        print(f"sanitizer reports: {len(reports)}")
        for line in reports[:20]:
            print("  " + line)
        ok = alive and heard and code == 0 and not reports
        if a.max_growth_kib is not None and growth is not None and growth > a.max_growth_kib:
            print(f"growth above {a.max_growth_kib} KiB")
            ok = False
        if not ok:
            print("---- program output (last 200 lines)")
            print("\n".join(out.splitlines()[-200:]))
        if a.json:
            with open(a.json, "w") as f:
                json.dump(result, f, indent=1, ensure_ascii=False)
        return ok

    def cleanup(self):
        if getattr(self, "proc", None) and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)
        if getattr(self, "sink", None) and self.sink.poll() is None:
            self.sink.stdin.close()
            self.sink.wait(10)
        if getattr(self, "x", None):
            self.x.close()
        if getattr(self, "display", None):
            self.display.stop()
        if getattr(self, "sound", None):
            self.sound.stop()
        if getattr(self, "queue", None) and self.queue.made and run("lpstat", "-p", QUEUE).returncode == 0:
            self.queue.finish()
        if getattr(self, "log", None):
            self.log.close()
        if not self.args.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--seconds", type=int, default=600)
    p.add_argument("--dist", default=os.environ.get("MOJIPOT_DIST_DIR", os.path.join(ROOT, "build-asan", "dist")))
    p.add_argument("--method", choices=sorted(METHODS), default="arrow")
    p.add_argument("--seed", type=int, default=int(time.time()) % 100000)
    p.add_argument("--quarantine-mb", type=int, default=16)
    p.add_argument("--max-growth-kib", type=int)
    p.add_argument("--shared-sound", action="store_true",
                   help="use the running sound server's null sink instead of a server of the soak's own")
    p.add_argument("--json")
    p.add_argument("--keep", action="store_true", help="keep the temporary folder (program log, diaries)")
    args = p.parse_args()
    soak = Soak(args)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        soak.start()
        print(f"program {soak.proc.pid} on {soak.env['DISPLAY']}, window {soak.width}×{soak.height}, "
              f"board from y {soak.top}; sampling every 10 s", flush=True)
        soak.soak()
        ok = soak.finish()
    finally:
        soak.cleanup()
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
