"""Sending the diary by mail, as a user does it with the keyboard only: the
mail settings dialog pointed at a real SMTP server on 127.0.0.1, a diary
written, "めーる" pressed, the message read from the server's mailbox; then
the server stopped and "めーる" pressed again."""

import datetime
import json
import os
import subprocess
import time
import unittest

from harness import ROOT, ProgramCase

SINK = os.path.join(ROOT, "tests", "mail_smtp_sink.py")
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else "python3"


def subject_today():
    d = datetime.date.today()
    return f"日記{d.year % 100:02d}年{d.month:02d}月{d.day:02d}日"


class SendDiary(ProgramCase):
    def setUp(self):
        super().setUp()
        # The mailer's own settings of an earlier run must not count.
        ini = os.path.join(self.dist, "smail", "smail.ini")
        if os.path.exists(ini):
            os.unlink(ini)
        self.box = os.path.join(self.tmp, "mailbox")
        os.makedirs(self.box)
        self.sink = subprocess.Popen([PYTHON, SINK, self.box], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        line = self.sink.stdout.readline().decode()
        self.assertTrue(line.startswith("ready "), "the SMTP server did not start")
        self.port = int(line.split()[1])

    def tearDown(self):
        self.stop_sink()
        super().tearDown()

    def stop_sink(self):
        if self.sink.poll() is None:
            self.sink.stdin.close()
            self.sink.wait(10)
            self.sink.stdout.close()

    def received(self):
        names = sorted(n for n in os.listdir(self.box) if n.endswith(".json"))
        out = []
        for n in names:
            with open(os.path.join(self.box, n), encoding="utf-8") as f:
                out.append(json.load(f))
        return out

    def wait_quiet(self):
        """Until the announcements of the keys reached have been spoken."""
        deadline = time.monotonic() + 15
        while not self.recorder.quiet_window(self.recorder.mark(), 0.6):
            self.assertLess(time.monotonic(), deadline, "the program never fell silent")

    def test_send_then_server_stopped(self):
        self.start_program()

        # メール設定(&M) > メール設定(&C)...: the recipient box has the focus.
        self.key("alt+m", "c")
        self.wait_for(lambda: self.xdo("search", "--onlyvisible", "--name", "^メール設定$", check=False)
                      .stdout.strip(), message="the mail settings dialog")
        time.sleep(0.3)
        for i, value in enumerate(["tomodachi@example.org", "watashi@example.org", f"127.0.0.1:{self.port}"]):
            if i:
                self.key("Tab")
            self.key("ctrl+a")
            self.xdo("type", "--delay", "30", value)
        self.key("Return")
        self.wait_for(lambda: f"SMTP=127.0.0.1:{self.port}".encode() in self.read_settings(),
                      message="the mail settings written")
        time.sleep(0.3)

        # "よむ" has the focus: Down reaches "あ", Down again "い"; Enter writes.
        # Then Right, Right, Up, Up reach "めーる" (Tag 62, 57, 56, 60).
        self.key("Down", "Return", "Down", "Return")
        self.key("Right", "Right", "Up", "Up")
        self.wait_quiet()
        mark = self.recorder.mark()
        self.key("Return")
        self.wait_for(lambda: len(self.received()) == 1, seconds=30, message="the mail in the server's mailbox")
        m = self.received()[0]
        headers = dict(m["headers"])
        self.assertEqual(m["mail_from"], "watashi@example.org")
        self.assertEqual(m["rcpt_tos"], ["tomodachi@example.org"])
        self.assertEqual(headers["Subject"], subject_today())
        self.assertEqual(m["body"], "あい\r\n")
        # "メールをおくったよ！" is spoken once the mailer reports delivery.
        self.assertTrue(self.recorder.loud_after(mark, seconds=10), "nothing was heard after sending")
        self.assertIsNone(self.notice_box())

        # The server stops; "めーる" again: the failure is heard and shown.
        self.stop_sink()
        self.wait_quiet()
        mark = self.recorder.mark()
        self.key("Return")
        self.wait_for(lambda: self.notice_box() is not None, seconds=30, message="the notice that mail failed")
        self.assertTrue(self.recorder.loud_after(mark, seconds=10), "nothing was heard after the failure")
        self.screenshot("mail-not-sent")
        # The box takes the keyboard, also when it opened before the Enter
        # that sent the mail was let go.
        self.enter_on_notice()
        self.wait_for(lambda: self.notice_box() is None, message="the notice closed")
        self.assertEqual(len(self.received()), 1)


if __name__ == "__main__":
    unittest.main()
