"""The program on a desktop where an assistive tool listens on the
accessibility bus, as a screen reader does: a private session bus, the
accessibility bus started from it by at-spi2-core's launcher, a client
registered for focus and key events, and Qt's bridge switched on. Every
press must still count once: two quick presses act twice, a held key once."""

import os
import signal
import subprocess
import time
import unittest

from harness import Keyboard, ProgramCase, sjis

SYSTEM_PYTHON = "/usr/bin/python3"
LISTENER = os.path.join(os.path.dirname(__file__), "a11y_listener.py")


def have_bus_tools():
    return (os.path.exists("/usr/libexec/at-spi-bus-launcher")
            and subprocess.run([SYSTEM_PYTHON, "-c", "import pyatspi"], capture_output=True).returncode == 0)


@unittest.skipUnless(have_bus_tools(), "at-spi2-core or python3-pyatspi is not installed")
class AccessibilityCase(ProgramCase):
    def setUp(self):
        super().setUp()
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                    stdout=subprocess.PIPE, text=True, start_new_session=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.stdout.readline().strip()
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.events_path = os.path.join(self.tmp, "a11y-events.txt")
        self.events_file = open(self.events_path, "w")
        self.listener = subprocess.Popen([SYSTEM_PYTHON, LISTENER], env=self.env, stdout=self.events_file,
                                         stderr=subprocess.STDOUT, start_new_session=True)
        self.wait_for(lambda: "ready" in self.events(), 20, "the accessibility client")
        self.keyboard = Keyboard(self.env["DISPLAY"])

    def tearDown(self):
        self.keyboard.close()
        for proc in (self.listener, self.bus):
            try:
                os.killpg(proc.pid, signal.SIGTERM)  # the bus takes the services it started with it
            except ProcessLookupError:
                pass
            proc.wait(5)
        self.bus.stdout.close()
        self.events_file.close()
        super().tearDown()

    def events(self):
        with open(self.events_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def focused(self):
        """(role, name) of each object that took the focus, in order."""
        return [tuple(line.split("\t")[1:3]) for line in self.events().splitlines()
                if line.startswith("focus\t") and line.count("\t") >= 2]

    def focused_names(self):
        return [name for _, name in self.focused()]

    def assert_kept(self, text):
        self.key("ctrl+s")
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis(text), self.program_output()[-3000:])


class PressesCount(AccessibilityCase):
    def test_arrow_keys_and_enter_twice_act_twice_held_once(self):
        self.start_program()
        self.wait_for(lambda: "よむ" in self.focused_names(), 10, "the client to see よむ take the focus")
        self.keyboard.hold("Left", 1.5)  # held: "あ" and no further
        time.sleep(0.3)
        self.keyboard.press("Return", "Return", "Return", "Down", "Down", "Return", pause=0.08)
        time.sleep(0.5)
        self.assert_kept("あああう")

    def test_switch_pressed_twice_moves_twice(self):
        with open(self.ini_path, "wb") as f:
            f.write(sjis("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n方式=2\r\n"))
        self.start_program()
        # The scan begins after the greeting (later on a slow machine or a cold
        # start); until then a press only cuts the wait short. Its first group
        # taking the focus shows it has begun.
        self.wait_for(lambda: ("panel", "よむ") in self.focused(), 30, "the scan to begin at よむ")
        # Two moves from "よむ": the か column; Enter enters it and presses か.
        self.keyboard.press("space", pause=0.2)
        self.keyboard.press("space", pause=0.2)
        self.keyboard.press("Return", pause=0.2)
        self.keyboard.press("Return", pause=0.2)
        time.sleep(0.5)
        self.assert_kept("か")


class ScanFollowed(AccessibilityCase):
    settings = "[入力方法]\r\n番号=4\r\n[スイッチ]\r\n間隔=300\r\n最初の待ち=0\r\n"

    def test_each_group_takes_the_focus_while_highlighted(self):
        self.start_program()
        first_four = ["よむ", "あぎょう", "かぎょう", "さぎょう"]

        def groups():
            return [name for role, name in self.focused() if role != "push button"]

        self.wait_for(lambda: groups()[:4] == first_four, 20, "the first four groups to take the focus")
        # The keys are named by their captions and described by what they say.
        self.assertIn(("push button", "よむ"), self.focused())


class KanjiWordInTheRow(AccessibilityCase):
    """With the row and conversion on, a new user writes "びょうい" with the
    arrow keys; the row offers 病院, its place named by the word for the
    screen reader; Enter on it writes 病院 in place of the kana."""
    settings = "[文字]\r\nよそく=1\r\n漢字=1\r\nエンジン=Anthy\r\n漢字のよそく=1\r\n"

    def setUp(self):
        super().setUp()
        self.env["XDG_DATA_HOME"] = os.path.join(self.tmp, "data")

    def test_byoin_offered_and_written(self):
        self.start_program()
        self.wait_for(lambda: "よむ" in self.focused_names(), 10, "the client to see よむ take the focus")
        # From "よむ" to あ, then ひ ゛ ょ う い: a walk to each, Enter.
        self.keyboard.press("Left", pause=0.08)
        at = 1
        for tag in (27, 49, 54, 3, 2):
            (c0, r0), (c1, r1) = ((at - 1) // 5 + 1, (at - 1) % 5 + 1), ((tag - 1) // 5 + 1, (tag - 1) % 5 + 1)
            moves = ["Left"] * (c1 - c0) + ["Right"] * (c0 - c1) + ["Down"] * (r1 - r0) + ["Up"] * (r0 - r1)
            self.keyboard.press(*moves, "Return", pause=0.08)
            at = tag
        time.sleep(1.0)  # the row filled, its kanji words after its kana
        self.keyboard.press("Up", "Up", pause=0.2)  # あ, then the row's place above it
        for _ in range(5):
            time.sleep(0.3)
            if self.focused_names()[-1] == "病院":
                break
            self.keyboard.press("Left", pause=0.2)
        self.assertEqual(self.focused_names()[-1], "病院", self.focused_names()[-8:])
        self.keyboard.press("Return", pause=0.3)
        self.assert_kept("病院")
        with open(os.path.join(self.env["XDG_DATA_HOME"], "mojipot", "kanji-history.txt"), encoding="utf-8") as f:
            self.assertIn("びょういん\t病院", f.read())


if __name__ == "__main__":
    unittest.main()
