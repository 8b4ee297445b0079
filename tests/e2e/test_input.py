"""Writing "ありがとう。" and keeping it as today's diary with one input
method alone: the arrow keys and Enter, the numeric keypad, the mouse. Keys
are pressed through the X server's test extension as a keyboard presses them
(the keypad with its number lock), the pointer is moved and clicked over the
keys, and what counts is the diary file and the speech that reaches the sound
card."""

import os
import subprocess
import time
import unittest

from harness import Keyboard, ProgramCase, sjis

# The board's designed geometry (left, top, width, height) of the keys used,
# in the window's client area below the menu bar.
KEYS = {1: (719, 311, 50, 50), 3: (719, 423, 50, 50), 6: (664, 311, 50, 50), 20: (554, 535, 50, 50),
        40: (334, 535, 50, 50), 42: (279, 367, 50, 50), 49: (224, 479, 50, 50), 63: (20, 425, 67, 50)}


class WriteThankYou(ProgramCase):
    def setUp(self):
        super().setUp()
        self.keyboard = Keyboard(self.env["DISPLAY"])

    def tearDown(self):
        self.keyboard.close()
        super().tearDown()

    def start_with_method(self, number):
        with open(self.ini_path, "wb") as f:
            f.write(sjis(f"[入力方法]\r\n番号={number}\r\n"))
        self.start_program()

    def assert_kept(self):
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes().rstrip(b"\r\n"), sjis("ありがとう。"))

    def assert_heard(self, action):
        mark = self.recorder.mark()
        action()
        self.assertTrue(self.recorder.loud_after(mark, 5), "nothing was heard")

    def test_arrow_keys_and_enter(self):
        self.start_program()
        press = self.keyboard.press
        self.assert_heard(lambda: press("Left"))
        press("Return")
        press("Down", *["Left"] * 8, "Return")                  # り
        press("Up", *["Right"] * 7, "Return")                   # か
        press(*["Down"] * 3, *["Left"] * 8, "Return")           # ゛ makes が
        press(*["Right"] * 6, "Down", "Return")                 # と
        press("Up", "Up", *["Right"] * 3, "Return")             # う
        press("Down", "Down", *["Left"] * 7, "Return")          # 。
        press("Up", "Up", *["Left"] * 5, "Return")              # しまう
        self.assert_kept()

    def test_numeric_keypad(self):
        self.start_with_method(3)
        press = self.keyboard.press
        press("Num_Lock")
        self.assert_heard(lambda: press("KP_7"))
        press("KP_Enter")
        press("KP_3", "KP_3", "KP_Enter")                       # り
        press("KP_8", "KP_Enter")                               # か
        press(*["KP_0"] * 4, "KP_Enter")                        # ゛ makes が
        press(*["KP_4"] * 5, "KP_Enter")                        # と
        press(*["KP_7"] * 3, "KP_Enter")                        # う
        press(*["KP_2"] * 5, "KP_Enter")                        # 。
        press(*["KP_Divide"] * 3, "KP_Enter")                   # しまう
        self.assert_kept()

    def test_mouse(self):
        self.start_with_method(2)
        offset = self.board_top()

        def centre(tag):
            left, top, width, height = KEYS[tag]
            return str(left + width // 2), str(offset + top + height // 2)

        def point(tag):
            x, y = centre(tag)
            self.xdo("mousemove", "--window", self.window, x, y)
            time.sleep(0.15)
            # a second small movement inside the key, as a hand makes
            self.xdo("mousemove_relative", "--", "2", "1")
            time.sleep(0.15)

        def click(tag):
            point(tag)
            self.xdo("click", "1")
            time.sleep(0.2)

        self.assert_heard(lambda: point(1))
        for tag in (1, 42, 6, 49, 20, 3, 40, 63):
            click(tag)
        self.assert_kept()

    def board_top(self):
        """Where the board begins below the menu bar: the first row of the
        board's yellow at the window's left edge."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"], env=self.env, capture_output=True,
                             check=True).stdout
        fields = ppm.split(maxsplit=4)  # P6, width, height, maxval, pixels
        width, height, pixels = int(fields[1]), int(fields[2]), fields[4]
        for y in range(height):
            i = (y * width + 5) * 3
            if pixels[i:i + 3] == b"\xff\xff\x00":
                return y
        self.fail("the board's yellow was not found")

if __name__ == "__main__":
    unittest.main()
