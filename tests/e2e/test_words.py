"""The row of words and phrases ("ことばのよそく") with real key presses: the
arrow keys reach the row from the board's top row and leave it downward;
after "ありがとうございました" has been written and saved twice, writing "あり"
offers it and one choice completes it; what the user asked to be forgotten
is not offered again at a later start, however large the row's history has
grown; a broken phrase file is reported and kept byte for byte while the
phrases built in are offered."""

import datetime
import os
import time
import unittest

from harness import Keyboard, ProgramCase, sjis


def place(tag):
    """Column (1-13, from the right) and row (1-5) of a grid key."""
    return (tag - 1) // 5 + 1, (tag - 1) % 5 + 1


TAGS = {"あ": 1, "い": 2, "う": 3, "か": 6, "こ": 10, "さ": 11, "し": 12, "た": 16, "と": 20, "ぬ": 23, "ま": 31,
        "り": 42, "゛": 49, "。": 40, "ぜんぶけす": 62, "しまう": 63}
THANKS = ["あ", "り", "か", "゛", "と", "う", "こ", "゛", "さ", "゛", "い", "ま", "し", "た", "。"]
ON = "[文字]\r\nよそく=1\r\n"


class WordsCase(ProgramCase):
    settings = ON

    def setUp(self):
        super().setUp()
        self.env["XDG_DATA_HOME"] = os.path.join(self.tmp, "data")
        self.keyboard = Keyboard(self.env["DISPLAY"])
        self.at = 0

    def tearDown(self):
        self.keyboard.close()
        super().tearDown()

    def go_and_press(self, name):
        """Walks on the board from the key reached to the named one and presses Enter."""
        if self.at == 0:
            self.keyboard.press("Left")  # from "よむ" to "あ"
            self.at = 1
        tag = TAGS[name]
        (c0, r0), (c1, r1) = place(self.at), place(tag)
        moves = ["Left"] * (c1 - c0) + ["Right"] * (c0 - c1) + ["Down"] * (r1 - r0) + ["Up"] * (r0 - r1)
        self.keyboard.press(*moves, "Return")
        self.at = tag
        time.sleep(0.12)

    def write(self, names):
        for name in names:
            self.go_and_press(name)

    def choose_first_place(self):
        """From the key reached, along the top row to くうはく, up to the row's
        first place above it, Enter; back down to くうはく."""
        (c0, r0), (c1, r1) = place(self.at), place(56)
        self.keyboard.press(*(["Up"] * (r0 - r1)), *(["Left"] * (c1 - c0)), *(["Right"] * (c0 - c1)))
        self.keyboard.press("Up", "Return")
        time.sleep(0.3)
        self.keyboard.press("Down")
        self.at = 56

    def save_and_wait(self, text):
        self.go_and_press("しまう")
        self.wait_for(lambda: self.diary_bytes() == sjis(text), message="the diary holding " + text)


class ArrowKeysReachTheRow(WordsCase):
    def test_to_the_row_and_back(self):
        self.start_program()
        self.keyboard.press("Left")  # あ
        mark = self.recorder.mark()
        # Up from the top row enters the row at the place above あ, "つぎ";
        # Left reaches "おやすみなさい。", heard; Enter writes it.
        self.keyboard.press("Up", "Left")
        self.assertTrue(self.recorder.loud_after(mark, 3.0), "the place reached is said")
        self.keyboard.press("Return")
        time.sleep(0.3)
        # Down leaves the row for た, below it; Up comes back to the same place.
        self.keyboard.press("Down")
        self.at = 16
        self.save_and_wait("おやすみなさい。")
        self.screenshot("words-arrow-keys")


class CompletionOfWhatWasSaved(WordsCase):
    def test_thanks_completed_in_one_choice(self):
        self.start_program()
        for _ in range(2):
            self.write(THANKS)
            self.save_and_wait("ありがとうございました。")
            self.go_and_press("ぜんぶけす")
        time.sleep(1.0)  # what was saved is counted in the background
        self.write(["あ", "り"])
        # From り up to ら, up into the row (the place above ら), left to the
        # first place: the likeliest completion. One choice.
        self.keyboard.press("Up", "Up", "Left", "Return")
        time.sleep(0.3)
        self.keyboard.press("Down")  # back to the board, on くうはく below the first place
        self.at = 56
        self.save_and_wait("ありがとうございました")


class ForgottenWithALargeHistory(WordsCase):
    """The row's history as a user has it after forgetting and then choosing
    2 000 long phrases (about 1.2 MB): the moment of forgetting heads it. A
    diary last changed before that moment is not learnt from again; one
    changed after it is. (With the row empty, Up from くうはく would go round
    its column to "めーる": each word written has a completion.)"""

    MOMENT = datetime.datetime(2024, 1, 1, tzinfo=datetime.timezone.utc)

    def setUp(self):
        super().setUp()
        folder = os.path.join(self.env["XDG_DATA_HOME"], "mojipot")
        os.makedirs(folder)
        lines = ["forgotten\t2024-01-01T00:00:00Z"]
        lines += ["phrase\t1\t%s%05d" % ("ことばのよそく" * 27, n) for n in range(2000)]
        history = ("\n".join(lines) + "\n").encode()
        self.assertGreater(len(history), 1024 * 1024)
        with open(os.path.join(folder, "word-history.txt"), "wb") as f:
            f.write(history)
        os.chmod(os.path.join(folder, "word-history.txt"), 0o600)
        forgotten = os.path.join(self.dist, "日記", "日記23年12月01日.txt")
        with open(forgotten, "wb") as f:
            f.write(sjis("ぬこぬこどうが。\r\n" * 3))
        before = (self.MOMENT - datetime.timedelta(days=30)).timestamp()
        os.utime(forgotten, (before, before))
        with open(os.path.join(self.dist, "日記", "日記24年02月01日.txt"), "wb") as f:
            f.write(sjis("ありがとうございました。\r\nありがとうございました。\r\nぬこのひ。\r\n"))

    def test_forgotten_diary_not_offered(self):
        self.start_program()
        time.sleep(1.5)  # the diaries are counted in the background
        # Written after the moment: offered, and one choice completes it.
        self.write(["あ", "り"])
        self.choose_first_place()
        self.save_and_wait("ありがとうございました")
        # Written more often, but before it: "ぬこ" is completed only to what
        # was written after it.
        self.go_and_press("ぜんぶけす")
        self.write(["ぬ", "こ"])
        self.choose_first_place()
        self.save_and_wait("ぬこのひ")


class BrokenPhraseFile(WordsCase):
    BROKEN = b"\x82\xa8\x82\xcd\x82\xe6\x82\xa4\r\n\x00\xff"  # Shift-JIS and a NUL: not a UTF-8 text

    def test_reported_and_kept(self):
        path = os.path.join(self.dist, "定型文.txt")
        with open(path, "wb") as f:
            f.write(self.BROKEN)
        mark = self.recorder.mark()
        self.start_program()
        self.wait_for(lambda: self.notice_box() is not None, message="the error box")
        self.assertTrue(self.recorder.loud_after(mark, 5.0))
        self.enter_on_notice()
        self.wait_for(lambda: self.notice_box() is None, message="the box to close")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), self.BROKEN)
        # The phrases built in are offered meanwhile: the first, おはようございます。
        self.xdo("windowfocus", "--sync", self.window)
        self.keyboard.press("Right", "Up", "Return")  # けす, then the leftmost place above it
        time.sleep(0.3)
        self.keyboard.press("Down")
        self.at = 56  # くうはく, below the leftmost place
        self.save_and_wait("おはようございます。")
        with open(path, "rb") as f:
            self.assertEqual(f.read(), self.BROKEN)


class PhraseDialogByKeyboard(WordsCase):
    def test_a_helper_adds_a_phrase(self):
        self.start_program()
        # 文字 → 定型文の設定... (the tenth item), with the keyboard alone.
        self.key("alt+c")
        time.sleep(0.5)
        self.key(*(["Down"] * 9), "Return")
        self.wait_for(lambda: self.xdo("search", "--onlyvisible", "--name", "定型文の設定", check=False).stdout.strip(),
                      message="the phrase dialog")
        dialog = self.xdo("search", "--onlyvisible", "--name", "定型文の設定").stdout.split()[0]
        self.wait_for(lambda: self.xdo("getwindowfocus", check=False).stdout.strip() == dialog,
                      message="the dialog to have the keyboard")
        self.key("alt+t")
        self.xdo("type", "--delay", "80", "みずがほしいです。")
        self.key("Return", "alt+s")  # added after the first line; saved
        path = os.path.join(self.dist, "定型文.txt")
        self.wait_for(lambda: os.path.exists(path), message="the phrase file")
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertEqual(lines[:2], ["# あいさつ", "みずがほしいです。"])
        self.assertEqual(len(lines), 25)


if __name__ == "__main__":
    unittest.main()
