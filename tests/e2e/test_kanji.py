"""Kana–kanji conversion with the arrow keys alone: "きょうは いい てんき"
written, converted phrase by phrase with "へんかん" and "かくてい" (the
second candidate of the first phrase chosen by ear), and today's diary
checked for 今日はいい天気; what was chosen is learnt in the user's data
folder, never in the diary folder."""

import os
import time
import unittest

from harness import Keyboard, ProgramCase, sjis


def place(tag):
    """Column (1-13, from the right) and row (1-5) of a grid key."""
    return (tag - 1) // 5 + 1, (tag - 1) % 5 + 1


TAGS = {"き": 7, "ょ": 54, "う": 3, "は": 26, "い": 2, "て": 19, "ん": 48,
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


if __name__ == "__main__":
    unittest.main()
