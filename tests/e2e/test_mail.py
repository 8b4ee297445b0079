"""Sending the diary by mail, as a user does it with the keyboard only: the
mail settings dialog pointed at a real SMTP server on 127.0.0.1, a diary
written, "めーる" pressed, the message read from the server's mailbox; then
the server stopped and "めーる" pressed again. And a server that never
answers: while the send waits, no process's command line holds the diary,
which any user of the machine could read."""

import datetime
import json
import os
import signal
import socket
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


def command_lines():
    """Every process's command line, as any user may read it: pid → bytes."""
    out = {}
    for pid in os.listdir("/proc"):
        if pid.isdigit():
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    out[int(pid)] = f.read()
            except OSError:
                pass  # ended meanwhile
    return out


class DiaryOnNoCommandLine(ProgramCase):
    def setUp(self):
        super().setUp()
        # Takes the connection and never says a word: the mailer waits for
        # its greeting.
        self.silent = socket.socket()
        self.silent.bind(("127.0.0.1", 0))
        self.silent.listen(4)
        with open(self.ini_path, "wb") as f:
            f.write(("[メール]\r\n送信先=tomodachi@example.org\r\n自分のアドレス=watashi@example.org\r\n"
                     f"SMTP=127.0.0.1:{self.silent.getsockname()[1]}\r\n").encode("cp932"))

    def tearDown(self):
        self.silent.close()
        super().tearDown()

    def mailer_pid(self):
        mailer = os.path.join(self.dist, "smail", "smail").encode()
        for pid, line in command_lines().items():
            if line.split(b"\0")[0] == mailer:
                return pid
        return None

    def test_waiting_send_shows_no_text(self):
        self.start_program()
        # "あ" and "い" written; "めーる" reached and pressed.
        self.key("Down", "Return", "Down", "Return")
        self.key("Right", "Right", "Up", "Up")
        time.sleep(0.5)
        self.key("Return")
        self.wait_for(lambda: self.mailer_pid() is not None, message="the mailer started")
        pid = self.mailer_pid()
        time.sleep(1.0)  # the text has been handed over by now; the mailer waits for the greeting
        self.assertIsNotNone(self.mailer_pid(), "the mailer no longer waits")
        text = "あい\r\n".encode()
        holding = {p: line for p, line in command_lines().items() if text in line}
        self.assertEqual(holding, {}, "command lines holding the diary")
        mailer = command_lines()[pid].split(b"\0")
        self.assertIn(b"-i", mailer)
        self.assertFalse([a for a in mailer if a.startswith(b"-T")], mailer)
        # Ended here rather than waited out (28 s): the program says the
        # mail was not sent.
        os.kill(pid, signal.SIGTERM)
        self.wait_for(lambda: self.notice_box() is not None, seconds=15, message="the notice that mail failed")
        self.enter_on_notice()
        self.wait_for(lambda: self.notice_box() is None, message="the notice closed")


if __name__ == "__main__":
    unittest.main()
