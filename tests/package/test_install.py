"""The package as a family installs it: apt installs the built package, an
ordinary user (created for the test) starts the program from the menu
entry's Exec line under Xvfb, hears the greeting, reads the read-me, writes
"あい" with the arrow keys and saves it; the diary lands in the user's
documents folder and the settings in the user's configuration folder. Then
apt removes the package and the diary stays.

Needs the administrator (apt, a new user). Whatever happens, the package is
removed again (also one left by an interrupted run) and the user with its
home deleted, so other scenarios find the machine as it was."""

import datetime
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import TITLE, Display, OrdinaryUser, Recorder, SoundServer, sjis, wait_until  # noqa: E402
from packagefiles import DESKTOP, README, deb_path, exec_line, run  # noqa: E402

APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def installed():
    r = run("dpkg-query", "-W", "-f=${Status}", "mojipot")
    return r.returncode == 0 and "installed" in r.stdout.split()


def today_name():
    d = datetime.date.today()
    return f"日記{d.year % 100:02d}年{d.month:02d}月{d.day:02d}日.txt"


@unittest.skipUnless(os.geteuid() == 0, "installing a package and adding a user need the administrator")
class InstalledForAUser(unittest.TestCase):
    def setUp(self):
        self.deb = deb_path()
        self.tmp = tempfile.mkdtemp(prefix="mojipot-pkg-")
        self.addCleanup(shutil.rmtree, self.tmp, ignore_errors=True)
        self.addCleanup(self.remove_package)
        self.remove_package()

        self.sound = SoundServer(self.tmp)
        self.addCleanup(self.sound.stop)
        self.user = OrdinaryUser(self, self.tmp)
        self.home, self.uid = self.user.home, self.user.uid

        self.display = Display()
        self.display_name = self.display.start()
        self.addCleanup(self.display.stop)
        self.recorder = Recorder()
        self.recorder.start()
        self.addCleanup(self.recorder.stop)
        self.proc = None
        self.addCleanup(self.stop_program)

    def remove_package(self):
        if installed():
            run(*APT, "remove", "mojipot")

    def stop_program(self):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
        if self.proc:
            self.proc.wait(10)
            self.log.close()

    def start_from_menu_entry(self):
        with open(DESKTOP, encoding="utf-8") as f:
            argv = exec_line(f.read())
        env = self.user.env(self.display_name)
        self.log = open(os.path.join(self.tmp, "program.log"), "wb")
        # A menu starts the program in the home folder, in a session of its own.
        self.proc = subprocess.Popen(self.user.argv(env, argv), cwd=self.home, stdout=self.log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        self.window = None
        self.wait_for(self.find_window, 30, "the window")
        self.xdo("windowfocus", "--sync", self.window)
        time.sleep(0.3)

    def find_window(self):
        r = self.xdo("search", "--onlyvisible", "--name", TITLE, check=False)
        if r.returncode == 0 and r.stdout.strip():
            self.window = r.stdout.split()[0]
        self.assertIsNone(self.proc.poll(), "the program ended: " + self.output())
        return self.window is not None

    def output(self):
        self.log.flush()
        with open(os.path.join(self.tmp, "program.log"), "rb") as f:
            return f.read().decode(errors="replace")

    def xdo(self, *args, check=True):
        r = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.display_name),
                           capture_output=True, text=True)
        if check:
            self.assertEqual(r.returncode, 0, f"xdotool {' '.join(args)}: {r.stderr}")
        return r

    def key(self, *names):
        self.xdo("key", "--delay", "60", *names)

    def wait_for(self, predicate, seconds=10, message="condition"):
        if not wait_until(predicate, seconds):
            self.fail("timed out waiting for " + message + "; program output: " + self.output())

    def bytes_of(self, path):
        try:
            with open(path, "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def owned_by_user(self, path):
        return os.stat(path).st_uid == self.uid

    def test_install_write_save_remove(self):
        r = run(*APT, "install", "--no-install-recommends", self.deb)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertTrue(installed())

        diaries = os.path.join(self.home, "Documents", "もじぽっと帳", "日記")
        diary = os.path.join(diaries, today_name())
        ini = os.path.join(self.home, ".config", "mojipot", "mojipot.ini")

        mark = self.recorder.mark()
        self.start_from_menu_entry()
        self.assertTrue(self.recorder.loud_after(mark, seconds=15), "the greeting was not heard")
        # Made at the first start, the user's own and private (other users
        # of the machine cannot look in); the settings file written there.
        self.assertTrue(os.path.isdir(diaries) and self.owned_by_user(diaries))
        for folder in (diaries, os.path.dirname(diaries)):
            self.assertEqual(stat.S_IMODE(os.stat(folder).st_mode), 0o700, folder)
        # The input method written back, and a new user's call for help (a 3 s hold).
        self.wait_for(lambda: self.bytes_of(ini) == sjis("[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=3000\r\n"),
                      message="the settings file")
        self.assertTrue(self.owned_by_user(ini))

        # The read-me from its installed place; saved as today's diary it is
        # that file byte for byte.
        self.key("alt+h", "Return")
        self.wait_for(lambda: b"\r\n" + sjis("サイズ=26") in self.bytes_of(ini), message="the read-me's size")
        self.key("ctrl+s")
        with open(README, "rb") as f:
            readme = f.read()
        self.wait_for(lambda: self.bytes_of(diary) == readme, message="the read-me in the display")

        # Cleared; "あ" (Left from "よむ") and "い" (Down) written and saved.
        self.key("ctrl+Delete", "Left", "Return", "Down", "Return", "ctrl+s")
        self.wait_for(lambda: self.bytes_of(diary) == sjis("あい"), message="あい in today's diary")
        self.assertEqual(os.listdir(diaries), [today_name()])
        self.assertTrue(os.listdir(os.path.join(self.home, ".cache", "mojipot", "speech")), "no speech cache")
        # Nothing was written where the program was started.
        self.assertFalse(os.path.exists(os.path.join(self.home, "日記")))

        # "おわり", its notice closed with Enter: the program ends.
        self.key("ctrl+q")
        time.sleep(1.0)
        self.key("Return")
        self.assertEqual(self.proc.wait(10), 0, self.output())
        settings = self.bytes_of(ini)

        r = run(*APT, "remove", "mojipot")
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertFalse(installed())
        self.assertFalse(os.path.exists("/usr/bin/mojipot"))
        self.assertEqual(self.bytes_of(diary), sjis("あい"))
        self.assertEqual(self.bytes_of(ini), settings)


if __name__ == "__main__":
    unittest.main()
