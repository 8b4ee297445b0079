"""The call for help with the switch alone, on the real program: the switch
(F5 caught as the switch) held 3.5 s while the mail settings dialog stands
open over the board sounds the chime within half a second of the 3 s
threshold, again and again until a key that is not the switch stops it; the
call's mail reaches a real SMTP server with its subject; a helper's command
that hangs is ended at 10 s and its failure shown; "やすむ" rests the scan
until a press starts it again."""

import datetime
import json
import os
import subprocess
import time
import unittest

from harness import RATE, ROOT, Keyboard, ProgramCase

SINK = os.path.join(ROOT, "tests", "mail_smtp_sink.py")
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else "python3"
F5 = 16777268  # Qt's code of F5, caught as the switch


def first_loud(samples, threshold):
    for i, v in enumerate(samples):
        if abs(v) > threshold:
            return i
    return None


def running(pid):
    """The process runs (not ended, nor ended and waiting to be collected)."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split()[2] != "Z"
    except FileNotFoundError:
        return False


class CallCase(ProgramCase):
    def setUp(self):
        super().setUp()
        self.keyboard = Keyboard(self.env["DISPLAY"])

    def tearDown(self):
        self.keyboard.close()  # while its X server still runs
        super().tearDown()

    def start_program(self):
        # The greeting is heard before anything else: on a loaded machine its
        # making can take longer than a quiet second, and would then sound
        # in the middle of a hold.
        super().start_program()
        self.assertTrue(self.recorder.loud_after(0, seconds=60), "no greeting heard")

    def write_settings(self, text):
        with open(self.ini_path, "wb") as f:
            f.write(text.encode("cp932"))

    def wait_quiet(self, seconds=1.0, within=20):
        deadline = time.monotonic() + within
        while not self.recorder.quiet_window(self.recorder.mark(), seconds):
            self.assertLess(time.monotonic(), deadline, "the program never fell silent")


class HoldOverADialog(CallCase):
    def setUp(self):
        super().setUp()
        self.box = os.path.join(self.tmp, "mailbox")
        os.makedirs(self.box)
        self.sink = subprocess.Popen([PYTHON, SINK, self.box], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        line = self.sink.stdout.readline().decode()
        self.assertTrue(line.startswith("ready "), "the SMTP server did not start")
        port = int(line.split()[1])
        self.write_settings("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n"
                            f"決定キー={F5}\r\n回数=1\r\n間隔=300\r\n"
                            "[よびだし]\r\n長さ=3000\r\nメール=1\r\n本文=たすけてください\r\n"
                            "[メール]\r\n送信先=tomodachi@example.org\r\n自分のアドレス=watashi@example.org\r\n"
                            f"SMTP=127.0.0.1:{port}\r\n")

    def tearDown(self):
        if self.sink.poll() is None:
            self.sink.stdin.close()
            self.sink.wait(10)
            self.sink.stdout.close()
        super().tearDown()

    def received(self):
        out = []
        for n in sorted(n for n in os.listdir(self.box) if n.endswith(".json")):
            with open(os.path.join(self.box, n), encoding="utf-8") as f:
                out.append(json.load(f))
        return out

    def test_hold_chimes_until_a_key_stops_it(self):
        self.start_program()
        # The dialog over the board; then silence (the scan stops after one loop).
        self.key("alt+m", "c")
        self.wait_for(lambda: self.xdo("search", "--onlyvisible", "--name", "^メール設定$", check=False)
                      .stdout.strip(), message="the mail settings dialog")
        # Long enough that nothing still being made (a name the scan began
        # before the dialog covered the board) can sound during the hold.
        self.wait_quiet(2.5, within=60)
        before = datetime.datetime.now()
        mark = self.recorder.mark()
        self.keyboard.hold("F5", 3.5)
        samples = self.recorder.samples()[mark:]
        start = first_loud(samples, 8000)
        self.assertIsNotNone(start, "no chime while the switch was held")
        seconds = start / RATE
        self.assertGreaterEqual(seconds, 2.9, "a sound before the threshold")
        self.assertLess(seconds, 3.5, f"the chime came {seconds:.2f} s after the press")
        self.screenshot("call-over-dialog")
        # It goes on: a chime in each of the next three seconds.
        for _ in range(3):
            m = self.recorder.mark()
            self.assertTrue(self.recorder.loud_after(m, seconds=1.5, threshold=8000), "the chime stopped by itself")
        # The mail has gone meanwhile, with the call's date and time.
        self.wait_for(lambda: len(self.received()) == 1, seconds=30, message="the call's mail")
        headers = dict(self.received()[0]["headers"])
        subject = headers["Subject"]
        self.assertTrue(subject.startswith("よびだし "), subject)
        stamp = datetime.datetime.strptime(subject.split(" ", 1)[1], "%y年%m月%d日 %H時%M分")
        self.assertLessEqual(abs((stamp - before.replace(second=0, microsecond=0)).total_seconds()), 60)
        self.assertEqual(self.received()[0]["body"].strip(), "たすけてください")
        # A key that is not the switch stops it: "よびだしを　とめました", then silence.
        self.key("a")
        self.wait_quiet(2.0, within=10)
        # The dialog is still open: the key went nowhere else.
        self.assertTrue(self.xdo("search", "--onlyvisible", "--name", "^メール設定$", check=False).stdout.strip())


class CommandThatHangs(CallCase):
    def test_ended_at_ten_seconds_and_said(self):
        script = os.path.join(self.tmp, "relay")
        pidfile = os.path.join(self.tmp, "relay.pid")
        with open(script, "w") as f:
            f.write(f"#!/bin/sh\necho $$ > {pidfile}\nexec sleep 60\n")
        os.chmod(script, 0o700)
        self.write_settings(f"[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=3000\r\nコマンド={script}\r\n")
        self.start_program()
        self.wait_quiet(1.0, within=40)
        self.keyboard.hold("Return", 3.5)
        started = time.monotonic() - 0.5
        self.wait_for(lambda: os.path.exists(pidfile), message="the command started")
        with open(pidfile) as f:
            pid = int(f.read())
        time.sleep(max(0.0, started + 9.0 - time.monotonic()))
        self.assertTrue(running(pid), "the command was ended before 10 s")
        self.wait_for(lambda: not running(pid), seconds=3, message="the command ended at 10 s")
        # The chime goes on after the failure; a key stops it and the failure is said and shown.
        m = self.recorder.mark()
        self.assertTrue(self.recorder.loud_after(m, seconds=1.5, threshold=8000), "the failure stopped the chime")
        self.key("Escape")
        self.wait_for(lambda: self.notice_box() is not None, message="the failure shown")
        self.enter_on_notice()


class Rest(CallCase):
    def test_rest_then_a_press_starts_again(self):
        self.write_settings("[入力方法]\r\n番号=4\r\n[スイッチ]\r\n方式=2\r\n[よびだし]\r\n長さ=0\r\n")
        self.start_program()
        self.wait_quiet(0.8, within=40)
        # Space 14 times: past "よむ" and the 13 columns to "やすむ"; Enter chooses it.
        self.key(*["space"] * 14, delay_ms=350)
        time.sleep(0.5)
        self.key("Return")
        self.wait_quiet(0.8)   # "やすみます", then nothing
        self.assertTrue(self.recorder.quiet_window(self.recorder.mark(), 3.0), "something was said while resting")
        mark = self.recorder.mark()
        self.key("Return")
        self.assertTrue(self.recorder.loud_after(mark, seconds=3), "the press did not start the scan again")
        self.wait_quiet(0.8)
        # The scan is at its first group: Enter chooses "よむ", which reads the (empty) text;
        # Space moves on and is heard.
        mark = self.recorder.mark()
        self.key("space")
        self.assertTrue(self.recorder.loud_after(mark, seconds=3), "the scan did not go on")


if __name__ == "__main__":
    unittest.main()
