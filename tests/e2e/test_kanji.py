"""Kana–kanji conversion with the arrow keys alone: "きょうは いい てんき"
written, converted phrase by phrase with "へんかん" and "かくてい" (the
second candidate of the first phrase chosen by ear), and today's diary
checked for 今日はいい天気; what was chosen is learnt in the user's data
folder, never in the diary folder. A learning history of 100 000 lines
holds up neither converting nor saving; "きしゃ" written before an opened
file's text is converted whole."""

import os
import time
import unittest

from harness import Keyboard, ProgramCase, sjis


def place(tag):
    """Column (1-13, from the right) and row (1-5) of a grid key."""
    return (tag - 1) // 5 + 1, (tag - 1) % 5 + 1


TAGS = {"き": 7, "ょ": 54, "う": 3, "は": 26, "い": 2, "て": 19, "ん": 48, "し": 12, "ゃ": 52,
        "へんかん": 58, "かくてい": 59, "しまう": 63}


class ConvertWithArrowKeys(ProgramCase):
    settings = "[文字]\r\n漢字=1\r\n"

    def setUp(self):
        super().setUp()
        self.env["XDG_DATA_HOME"] = os.path.join(self.tmp, "data")
        self.keyboard = Keyboard(self.env["DISPLAY"])
        self.at = 1

    def tearDown(self):
        self.keyboard.close()
        super().tearDown()

    def go_and_press(self, name):
        """Walks from the key reached to the named one and presses Enter."""
        (c0, r0), (c1, r1) = place(self.at), place(TAGS[name])
        moves = ["Left"] * (c1 - c0) + ["Right"] * (c0 - c1) + ["Down"] * (r1 - r0) + ["Up"] * (r0 - r1)
        self.keyboard.press(*moves, "Return")
        self.at = TAGS[name]
        time.sleep(0.15)

    def test_today_fine_weather(self):
        self.start_program()
        self.keyboard.press("Left")  # from "よむ" to "あ"
        for kana in "きょうはいいてんき":
            self.go_and_press(kana)
        for key in ("へんかん", "へんかん", "かくてい", "かくてい", "かくてい", "しまう"):
            self.go_and_press(key)
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("今日はいい天気"))
        history = os.path.join(self.tmp, "data", "mojipot", "kanji-history.txt")
        with open(history, encoding="utf-8") as f:
            self.assertIn("きょうは\t今日は", f.read())
        self.assertEqual(os.listdir(os.path.join(self.dist, "日記")), [os.path.basename(self.diary_path())])

    def history(self):
        return os.path.join(self.tmp, "data", "mojipot", "kanji-history.txt")

    def test_large_history_holds_nothing_up(self):
        # One reading chosen 100 000 ways, as a damaged or hand-made file
        # holds; the latest choice first.
        os.makedirs(os.path.dirname(self.history()))
        with open(self.history(), "w", encoding="utf-8") as f:
            f.write("きしゃ\t汽車\n" + "".join(f"きしゃ\t記者{i}\n" for i in range(99999)))
        self.start_program()
        self.keyboard.press("Left")
        for kana in "きしゃ":
            self.go_and_press(kana)
        for key in ("へんかん", "かくてい", "しまう"):
            self.go_and_press(key)
        self.wait_for(lambda: self.diary_bytes() is not None, seconds=10, message="the diary within 10 s")
        self.assertEqual(self.diary_bytes(), sjis("汽車"))  # the history's latest choice came first
        with open(self.history(), encoding="utf-8") as f:
            kept = f.read().splitlines()
        self.assertEqual(kept[0], "きしゃ\t汽車")
        self.assertLessEqual(len(kept), 16)

    def test_run_written_before_an_opened_text(self):
        with open(os.path.join(self.dist, "日記", "いぬ.txt"), "wb") as f:
            f.write(sjis("いぬ"))
        self.start_program()
        self.key("ctrl+o")
        time.sleep(1.0)
        self.xdo("type", "--delay", "80", "いぬ.txt")
        self.key("Return")
        time.sleep(0.8)
        # Without a window manager the focus does not come back by itself;
        # the insertion point stays before いぬ.
        self.xdo("windowfocus", "--sync", self.window)
        self.keyboard.press("Left")
        for key in ("き", "し", "ゃ", "へんかん", "かくてい", "き", "し", "ゃ", "へんかん", "かくてい", "しまう"):
            self.go_and_press(key)
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("記者記者いぬ"))
        with open(self.history(), encoding="utf-8") as f:
            self.assertEqual(f.read(), "きしゃ\t記者\n")


if __name__ == "__main__":
    unittest.main()
