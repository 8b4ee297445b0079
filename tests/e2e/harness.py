"""Drives the real program as its users do: a fresh distribution folder, an X
display (Xvfb), real key and pointer events (xdotool), and checks only what a
user or another program can see: files, the recorded sound, the printed page,
the received mail, screenshots."""

import array
import ctypes
import datetime
import os
import pwd
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

ROOT = os.environ.get("MOJIPOT_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
DIST = os.environ.get("MOJIPOT_DIST_DIR", os.path.join(ROOT, "dist"))
TITLE = "もじぽっと帳sapi4"
MONITOR = "mojipot_null.monitor"
RATE = 16000


def sjis(text):
    return text.encode("cp932")


def today_name():
    """Today's diary file name."""
    d = datetime.date.today()
    return f"日記{d.year % 100:02d}年{d.month:02d}月{d.day:02d}日.txt"


def wait_until(predicate, seconds):
    """True as soon as the predicate holds; False when the time runs out first."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return False


class Display:
    """One Xvfb server for a test case. Xvfb picks a free display number
    itself and tells it once it listens, so that scenarios starting displays
    at the same time never take the same one."""

    def __init__(self):
        self.number = None
        self.proc = None

    def start(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten",
                                      "tcp", "-noreset"],
                                     pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number.isdigit():
            self.proc.kill()
            self.proc.wait(5)
            raise RuntimeError("no X display could be started")
        self.number = int(number)
        return f":{number}"

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(5)


class SoundServer:
    """A PulseAudio server of the test case's own, its null sink "mojipot_null"
    the default: what the program says reaches no other test's recording and
    no other test's sound reaches this one's. While it runs, PULSE_SERVER
    names it to everything the case starts (the program, the recorder, pactl)."""

    def __init__(self, folder):
        self.runtime = os.path.join(folder, "pulse-runtime")
        os.makedirs(self.runtime, mode=0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.runtime)
        env.pop("PULSE_SERVER", None)
        self.proc = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--system=false", "--disallow-exit", "-n",
             "--use-pid-file=no", "--load=module-native-protocol-unix",
             "--load=module-null-sink sink_name=mojipot_null", "--load=module-always-sink"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.address = "unix:" + os.path.join(self.runtime, "pulse", "native")
        self.before = os.environ.get("PULSE_SERVER")
        check = dict(os.environ, PULSE_SERVER=self.address)
        if not wait_until(lambda: subprocess.run(["pactl", "info"], env=check, capture_output=True).returncode == 0,
                          15):
            self.stop()
            raise RuntimeError("the test's sound server did not start")
        subprocess.run(["pactl", "set-default-sink", "mojipot_null"], env=check, capture_output=True)
        os.environ["PULSE_SERVER"] = self.address

    def stop(self):
        if self.before is None:
            os.environ.pop("PULSE_SERVER", None)
        else:
            os.environ["PULSE_SERVER"] = self.before
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(5)


class Recorder:
    """Records what is played into the null sink, as 16-bit mono samples."""

    def __init__(self):
        self.proc = None
        self.path = None

    def start(self):
        fd, self.path = tempfile.mkstemp(suffix=".raw")
        os.close(fd)
        self.out = open(self.path, "wb")
        self.proc = subprocess.Popen(["parec", "-d", MONITOR, "--format=s16le", f"--rate={RATE}", "--channels=1",
                                      "--latency-msec=10"], stdout=self.out, stderr=subprocess.DEVNULL)
        self.started = time.monotonic()
        time.sleep(0.2)

    def samples(self):
        self.out.flush()
        with open(self.path, "rb") as f:
            data = f.read()
        data = data[: len(data) // 2 * 2]
        return array.array("h", data)

    def mark(self):
        """Position (in samples) of now, for looking at what comes after."""
        return len(self.samples())

    def loud_after(self, mark, seconds=3.0, threshold=800):
        """True when sound louder than threshold arrives after mark within seconds."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            s = self.samples()[mark:]
            if any(abs(v) > threshold for v in s):
                return True
            time.sleep(0.05)
        return False

    def quiet_window(self, mark, seconds, threshold=300):
        """True when the samples from mark on, over the given seconds, stay below threshold."""
        time.sleep(seconds)
        s = self.samples()[mark: mark + int(seconds * RATE)]
        return all(abs(v) <= threshold for v in s)

    def stop(self):
        if self.proc:
            self.proc.terminate()
            self.proc.wait(5)
            self.out.close()
            os.unlink(self.path)


def process_tree(root):
    """The process and every process started from it, still running."""
    r = subprocess.run(["ps", "-e", "-o", "pid=,ppid="], capture_output=True, text=True)
    children = {}
    for line in r.stdout.splitlines():
        pid, ppid = (int(v) for v in line.split())
        children.setdefault(ppid, []).append(pid)
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


class SessionBus:
    """A session bus of the session's own, as a desktop gives every session:
    without one, a program that asks for the bus (Qt does, for assistive
    tools) may have one started by X11 autolaunch (dbus-x11), which outlives
    it. `argv` makes the command run as the session's user. Stopping it ends
    the services it started too."""

    def __init__(self, folder, argv=lambda command: command):
        path = os.path.join(folder, "bus")
        r = subprocess.run(argv(["dbus-daemon", "--session", "--fork", "--nopidfile", "--address=unix:path=" + path,
                                 "--print-address=1", "--print-pid=1"]), capture_output=True, text=True, timeout=15)
        words = r.stdout.split()
        if r.returncode != 0 or len(words) < 2:
            raise RuntimeError("no session bus: " + r.stdout + r.stderr)
        self.address = next(w for w in words if w.startswith("unix:"))
        self.pid = int(next(w for w in words if w.isdigit()))

    def processes(self):
        return process_tree(self.pid) if os.path.exists(f"/proc/{self.pid}") else []

    def stop(self):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            for pid in self.processes():
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            if wait_until(lambda: not self.processes(), 3):
                return


class OrdinaryUser:
    """An ordinary user created for a test run by the administrator (CI runs
    as the administrator): a home of its own, a folder for its session, and
    a sound socket of its own into the test's PulseAudio that asks for no
    credentials (the sound server runs as the administrator). Every part is
    removed again by the test's clean-ups, also when it fails."""

    def __init__(self, case, tmp, prefix="mjp-e2e"):
        self.name = f"{prefix}-{os.getpid()}"
        case.addCleanup(self.remove)
        self._run(case, "useradd", "--create-home", "--user-group", "--shell", "/bin/sh", self.name)
        entry = pwd.getpwnam(self.name)
        self.home, self.uid, self.gid = entry.pw_dir, entry.pw_uid, entry.pw_gid
        os.chmod(tmp, 0o755)
        self.socket = os.path.join(tmp, "pulse")
        module = self._run(case, "pactl", "load-module", "module-native-protocol-unix", "auth-anonymous=1",
                           f"socket={self.socket}").stdout.strip()
        case.addCleanup(subprocess.run, ["pactl", "unload-module", module], capture_output=True)
        self.runtime = os.path.join(tmp, "runtime")
        os.mkdir(self.runtime, 0o700)
        os.chown(self.runtime, self.uid, self.gid)
        self.bus = SessionBus(self.runtime, lambda command: self.argv(self._session(), command))
        case.addCleanup(self.bus.stop)

    @staticmethod
    def _run(case, *args):
        r = subprocess.run(args, capture_output=True, text=True)
        case.assertEqual(r.returncode, 0, f"{' '.join(args)}: {r.stdout}{r.stderr}")
        return r

    def _session(self):
        return {"HOME": self.home, "USER": self.name, "LOGNAME": self.name, "SHELL": "/bin/sh",
                "PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "C.UTF-8", "XDG_RUNTIME_DIR": self.runtime}

    def env(self, display, **more):
        """A session's environment as a desktop gives it, and nothing else:
        its own session bus among it."""
        env = dict(self._session(), DISPLAY=display, PULSE_SERVER="unix:" + self.socket,
                   DBUS_SESSION_BUS_ADDRESS=self.bus.address)
        # The sanitizer build's settings, with a suppressions file the user can read.
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
            value = os.environ.get(name)
            if not value:
                continue
            m = re.search(r"suppressions=([^:]+)", value)
            if m and os.path.isfile(m.group(1)):
                copy = os.path.join(self.runtime, name + ".supp")
                shutil.copyfile(m.group(1), copy)
                os.chmod(copy, 0o644)
                value = value.replace(m.group(1), copy)
            env[name] = value
        env.update(more)
        return env

    def argv(self, env, argv):
        """The command run as the user with exactly `env`."""
        return ["runuser", "-u", self.name, "--", "env", "-i", *[f"{k}={v}" for k, v in env.items()], *argv]

    def give(self, path):
        """The folder and everything in it become the user's."""
        for folder, dirs, files in os.walk(path):
            for name in [folder] + [os.path.join(folder, n) for n in dirs + files]:
                os.lchown(name, self.uid, self.gid)

    def processes(self, session=False):
        """The user's processes still running (those waiting only to be
        reaped by the system do not count), as "pid name"; without the
        session's bus and what it started, which belong to the session, not
        to a program, unless `session`."""
        r = subprocess.run(["ps", "-u", self.name, "-o", "pid=,stat=,comm="], capture_output=True, text=True)
        rows = [line.split() for line in r.stdout.splitlines() if line.strip()]
        bus = set() if session or not hasattr(self, "bus") else set(self.bus.processes())
        return [f"{row[0]} {row[2]}" for row in rows
                if len(row) == 3 and not row[1].startswith("Z") and int(row[0]) not in bus]

    def remove(self):
        try:
            pwd.getpwnam(self.name)
        except KeyError:
            return
        for line in self.processes(session=True):
            os.kill(int(line.split()[0]), signal.SIGKILL)
        subprocess.run(["userdel", "--force", "--remove", self.name], capture_output=True)


class KeyboardState(ctypes.Structure):
    _fields_ = [("key_click_percent", ctypes.c_int), ("bell_percent", ctypes.c_int),
                ("bell_pitch", ctypes.c_uint), ("bell_duration", ctypes.c_uint), ("led_mask", ctypes.c_ulong),
                ("global_auto_repeat", ctypes.c_int), ("auto_repeats", ctypes.c_ubyte * 32)]


class Keyboard:
    """Real key presses through XTest, one press and release per key."""

    def __init__(self, display):
        self.x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)

    def press(self, *names, pause=0.06):
        for name in names:
            code = self.x11.XKeysymToKeycode(self.dpy, self.x11.XStringToKeysym(name.encode()))
            if not code:
                raise ValueError("no key for " + name)
            for down in (1, 0):
                self.xtst.XTestFakeKeyEvent(self.dpy, code, down, 0)
                self.x11.XFlush(self.dpy)
                time.sleep(pause)

    def code(self, name):
        return self.x11.XKeysymToKeycode(self.dpy, self.x11.XStringToKeysym(name.encode()))

    def repeats(self, name):
        """Whether the X server repeats the key while it is held down."""
        self.x11.XGetKeyboardControl.argtypes = [ctypes.c_void_p, ctypes.POINTER(KeyboardState)]
        state = KeyboardState()
        self.x11.XGetKeyboardControl(self.dpy, ctypes.byref(state))
        code = self.code(name)
        return bool(state.global_auto_repeat) and bool(state.auto_repeats[code // 8] & (1 << (code % 8)))

    def down(self, name):
        self.xtst.XTestFakeKeyEvent(self.dpy, self.code(name), 1, 0)
        self.x11.XFlush(self.dpy)

    def up(self, name):
        self.xtst.XTestFakeKeyEvent(self.dpy, self.code(name), 0, 0)
        self.x11.XFlush(self.dpy)

    def hold(self, name, seconds):
        """The key held down; the server repeats it meanwhile."""
        code = self.code(name)
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        self.x11.XFlush(self.dpy)
        time.sleep(seconds)
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        self.x11.XFlush(self.dpy)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


class ProgramCase(unittest.TestCase):
    """Base of every scenario: a fresh distribution folder and the program in it."""

    settings = None  # text of mojipot.ini to lay down before start (None: no file)
    user = None  # an OrdinaryUser who runs the program, or the test's own user

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="mojipot-e2e-")
        self.dist = os.path.join(self.tmp, "dist")
        shutil.copytree(DIST, self.dist, ignore=shutil.ignore_patterns("mojipot.ini", "*.png"))
        for f in os.listdir(os.path.join(self.dist, "日記")):
            os.unlink(os.path.join(self.dist, "日記", f))
        if self.settings is not None:
            with open(self.ini_path, "wb") as f:
                f.write(sjis(self.settings))
        self.sound = SoundServer(self.tmp)
        self.addCleanup(self.sound.stop)
        self.display = Display()
        self.env = dict(os.environ, DISPLAY=self.display.start())
        self.env.pop("QT_QPA_PLATFORM", None)
        self.bus = SessionBus(self.tmp)
        self.addCleanup(self.bus.stop)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.address
        self.env["XDG_CACHE_HOME"] = os.path.join(ROOT, "build", "e2e-cache")
        self.recorder = Recorder()
        self.recorder.start()
        self.proc = None
        self.window = None

    def tearDown(self):
        if self.proc:
            if self.proc.poll() is None:
                self.proc.kill()
            self.proc.wait(5)
            self.log.close()
        self.recorder.stop()
        self.display.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    @property
    def ini_path(self):
        return os.path.join(self.dist, "mojipot.ini")

    def start_program(self):
        self.log = open(os.path.join(self.tmp, "program.log"), "wb")
        argv, env = [os.path.join(self.dist, "mojipot")], self.env
        if self.user:
            self.user.give(self.tmp)
            argv, env = self.user.argv(self.env, argv), None
        self.proc = subprocess.Popen(argv, cwd=self.dist, env=env, stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            r = self.xdo("search", "--onlyvisible", "--name", TITLE, check=False)
            if r.returncode == 0 and r.stdout.strip():
                self.window = r.stdout.split()[0]
                self.xdo("windowfocus", "--sync", self.window, check=False)
                time.sleep(0.3)
                return
            if self.proc.poll() is not None:
                break
            time.sleep(0.1)
        self.fail("the window did not appear: " + self.program_output())

    def program_output(self):
        self.log.flush()
        with open(os.path.join(self.tmp, "program.log"), "rb") as f:
            return f.read().decode(errors="replace")

    def xdo(self, *args, check=True):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        if check and r.returncode != 0:
            self.fail(f"xdotool {' '.join(args)}: {r.stderr}")
        return r

    def key(self, *names, delay_ms=60):
        self.xdo("key", "--delay", str(delay_ms), *names)

    def geometry(self):
        out = self.xdo("getwindowgeometry", "--shell", self.window).stdout
        vals = dict(line.split("=", 1) for line in out.split())
        return int(vals["WIDTH"]), int(vals["HEIGHT"])

    def screenshot(self, name):
        path = os.path.join(ROOT, "build", "e2e-shots", name + ".png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], env=self.env, check=False)
        return path

    def diary_path(self):
        return os.path.join(self.dist, "日記", today_name())

    def diary_bytes(self):
        """Today's diary file, None while there is none."""
        try:
            with open(self.diary_path(), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def read_settings(self):
        with open(self.ini_path, "rb") as f:
            return f.read()

    def notice_box(self):
        """The notice or error box titled with the program's name, if shown."""
        r = self.xdo("search", "--onlyvisible", "--name", "^もじぽっと帳$", check=False)
        return r.stdout.split()[0] if r.returncode == 0 and r.stdout.strip() else None

    def enter_on_notice(self):
        """Enter on the box once it has the keyboard: it must take it by
        itself, there is no window manager to give it."""
        box = self.notice_box()
        self.wait_for(lambda: self.xdo("getwindowfocus", check=False).stdout.strip() == box,
                      message="the box to have the keyboard")
        self.key("Return")

    def stopped(self):
        """The program stopped for a moment, as a busy program is: what the
        user does meanwhile waits in the X server's queue."""
        program = self

        class Stopped:
            def __enter__(self):
                os.kill(program.proc.pid, signal.SIGSTOP)

            def __exit__(self, *exc):
                os.kill(program.proc.pid, signal.SIGCONT)

        return Stopped()

    def wait_for(self, predicate, seconds=10, message="condition"):
        if not wait_until(predicate, seconds):
            self.fail("timed out waiting for " + message)
