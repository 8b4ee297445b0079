"""Three things a user does with the keyboard alone: holds an arrow key down
too long, prints the day's text on the default printer, and ends the program
with "おわり". What counts is what the user sees and hears and what other
programs receive: the diary file, the printed page (a PDF from the CUPS PDF
printer), the sound, the notice and the program's end."""

import datetime
import os
import re
import subprocess
import time
import unittest

from harness import Keyboard, ProgramCase, sjis, today_name

QUEUE = f"mojipot_e2e_{os.getpid()}"



def run(*cmd):
    return subprocess.run(cmd, capture_output=True, text=True)


class KeyboardOnly(ProgramCase):
    def wait_quiet(self):
        """Until what the program says has been spoken."""
        deadline = time.monotonic() + 15
        while not self.recorder.quiet_window(self.recorder.mark(), 0.6):
            self.assertLess(time.monotonic(), deadline, "the program never fell silent")

    def hold(self, key, seconds=1.5):
        """The key held down long enough for the server to repeat it some
        thirty times."""
        keyboard = Keyboard(self.env["DISPLAY"])
        try:
            self.assertTrue(keyboard.repeats(key), "the X server does not repeat " + key)
            keyboard.hold(key, seconds)
        finally:
            keyboard.close()
        time.sleep(0.3)

    def test_held_arrow_key_moves_once(self):
        self.start_program()
        # "よむ" has the focus; Left reaches "あ" and must stay there.
        self.hold("Left")
        self.key("Return", "ctrl+s")
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary")
        self.assertEqual(self.diary_bytes(), sjis("あ"))

    def test_held_keypad_key_taps_once(self):
        with open(self.ini_path, "wb") as f:
            f.write(sjis("[入力方法]\r\n番号=3\r\n"))
        self.start_program()
        keyboard = Keyboard(self.env["DISPLAY"])
        keyboard.press("Num_Lock")
        # Keypad 7 taps the あ row: once is "あ", a second tap would be "い".
        self.hold("KP_7")
        keyboard.press("KP_Enter")
        keyboard.close()
        self.key("ctrl+s")
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary")
        self.assertEqual(self.diary_bytes(), sjis("あ"))

    def test_two_quick_presses_while_busy_act_twice(self):
        # The program is busy (stopped here) while the user taps a key twice;
        # the second press is still down when the program catches up.
        for method, key, enter, written in (("1", "Left", "Return", "か"), ("3", "KP_7", "KP_Enter", "い")):
            with self.subTest(method=method):
                with open(self.ini_path, "wb") as f:
                    f.write(sjis(f"[入力方法]\r\n番号={method}\r\n"))
                self.start_program()
                keyboard = Keyboard(self.env["DISPLAY"])
                try:
                    if method == "3":
                        keyboard.press("Num_Lock")
                    with self.stopped():
                        keyboard.down(key)
                        time.sleep(0.02)
                        keyboard.up(key)
                        time.sleep(0.02)
                        keyboard.down(key)
                        time.sleep(0.25)
                    time.sleep(0.25)
                    keyboard.up(key)
                    time.sleep(0.3)
                    keyboard.press(enter)
                finally:
                    keyboard.close()
                self.key("ctrl+s")
                self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary")
                self.assertEqual(self.diary_bytes(), sjis(written))
                self.proc.kill()
                self.proc.wait(5)
                self.log.close()
                os.unlink(os.path.join(self.dist, "日記", today_name()))

    def test_end_key_says_goodbye_then_ends_after_the_notice(self):
        self.start_program()
        self.key("Left", "Return")  # "あ" written, never saved
        self.wait_quiet()
        mark = self.recorder.mark()
        # From "あ" Right is "よむ", from there Up reaches "おわり".
        self.key("Right", "Up")
        self.wait_quiet()
        mark = self.recorder.mark()
        self.key("Return")
        self.assertTrue(self.recorder.loud_after(mark, 5), "no farewell was heard")
        self.wait_for(lambda: self.notice_box() is not None, message="the notice")
        time.sleep(1.0)
        self.assertIsNone(self.proc.poll(), "the program ended before the notice was closed")
        self.screenshot("end_notice")
        self.enter_on_notice()
        self.assertEqual(self.proc.wait(15), 0, self.program_output()[-6000:])
        self.assertEqual(os.listdir(os.path.join(self.dist, "日記")), [], "something was saved at the end")


@unittest.skipUnless(run("lpstat", "-r").returncode == 0, "no CUPS scheduler")
class PrintDiary(ProgramCase):
    """The program prints to a PDF queue of this test's own (LPDEST names it
    the default), so that only this test's page is looked at."""

    def setUp(self):
        super().setUp()
        made = run("lpadmin", "-p", QUEUE, "-E", "-v", "cups-pdf:/", "-m", "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd")
        self.assertEqual(made.returncode, 0, made.stderr)
        run("cupsenable", QUEUE)
        run("cupsaccept", QUEUE)
        self.env["LPDEST"] = QUEUE
        # A Japanese desktop's language: the footer's date in its long form.
        self.env["LANG"] = "ja_JP.UTF-8"
        self.env.pop("LC_ALL", None)
        self.env.pop("LC_TIME", None)
        self.pdfs = []

    def tearDown(self):
        run("cancel", "-a", QUEUE)
        run("lpadmin", "-x", QUEUE)
        for path in self.pdfs:
            os.unlink(path)
        super().tearDown()

    def job_ids(self):
        out = run("lpstat", "-W", "all", "-o", QUEUE).stdout
        return [int(m.group(1)) for m in re.finditer(rf"^{QUEUE}-(\d+)\s", out, re.M)]

    def pdf_of(self, job):
        """The PDF the printer wrote for the job, once it is complete."""
        folders = {os.path.expanduser("~/PDF"), "/var/spool/cups-pdf/ANONYMOUS"}
        for folder in folders:
            if os.path.isdir(folder):
                for name in os.listdir(folder):
                    if re.search(rf"job_{job}\b", name) and run("lpstat", "-o", QUEUE).stdout.strip() == "":
                        return os.path.join(folder, name)
        return None

    def test_empty_display_then_a_written_day(self):
        self.start_program()
        # "よむ": Up reaches "おわり", Up again "いんさつ".
        self.key("Up", "Up")
        time.sleep(1.0)
        mark = self.recorder.mark()
        self.key("Return")
        self.assertTrue(self.recorder.loud_after(mark, 5), "nothing was said for the empty display")
        time.sleep(2.0)
        self.assertEqual(self.job_ids(), [], "an empty display was printed")

        # Write "あい" and print it: from "いんさつ" Left wraps round to "え",
        # Up thrice is "あ"; from "い" Right wraps to the clear-all key, two
        # Down are "いんさつ" again.
        self.key("Left", "Up", "Up", "Up", "Return", "Down", "Return")
        self.key("Right", "Down", "Down", "Return")
        self.wait_for(lambda: len(self.job_ids()) == 1, 20, "the print job")
        job = self.job_ids()[0]
        self.wait_for(lambda: self.pdf_of(job) is not None, 60, "the printed PDF")
        pdf = self.pdf_of(job)
        self.pdfs.append(pdf)

        info = run("pdfinfo", pdf).stdout
        self.assertRegex(info, r"Pages:\s+1\b")
        page = Gray(pdf)
        # The two characters at the top left, about two 32-point cells wide;
        # the pencil picture and the footer at the bottom; nothing between.
        top = page.ink(0.0, 0.08)
        self.assertIsNotNone(top, "the text is not at the top of the page")
        self.assertLess(top[0], 0.1 * page.width)
        self.assertTrue(0.04 * page.width < top[1] - top[0] < 0.2 * page.width, f"text {top} on {page.width}")
        self.assertIsNone(page.ink(0.1, 0.8), "ink in the middle of the page")
        self.assertIsNotNone(page.ink(0.85, 1.0), "no picture and footer at the bottom")
        subprocess.run(["pdftoppm", "-png", "-r", "50", "-singlefile", pdf,
                        self.screenshot("printed_page")[:-4]], stderr=subprocess.DEVNULL, check=False)


class Gray:
    """The PDF's page as gray pixels (pdftoppm, 50 dots per inch)."""

    def __init__(self, pdf):
        data = subprocess.run(["pdftoppm", "-gray", "-r", "50", "-singlefile", pdf], capture_output=True,
                              check=True).stdout
        magic, width, height, maxval, self.pixels = data.split(maxsplit=4)
        assert magic == b"P5" and maxval == b"255"
        self.width, self.height = int(width), int(height)

    def ink(self, from_fraction, to_fraction):
        """Leftmost and rightmost column with a dark pixel in the band of
        rows between the two fractions of the height, or None."""
        columns = [x for y in range(int(from_fraction * self.height), int(to_fraction * self.height))
                   for x in range(self.width) if self.pixels[y * self.width + x] < 128]
        return (min(columns), max(columns)) if columns else None

if __name__ == "__main__":
    unittest.main()
