"""Starting the program as a family or teacher would: from its folder, with
or without a settings file."""

import time
import unittest

from harness import ProgramCase, sjis


class StartWithoutSettings(ProgramCase):
    def test_first_start(self):
        self.start_program()
        self.assertEqual(self.geometry(), (878, 641))
        # The input method written back, and a new user's call for help (a 3 s hold).
        self.wait_for(lambda: self._ini() == sjis("[入力方法]\r\n番号=1\r\n[よびだし]\r\n長さ=3000\r\n"),
                      message="the settings file")
        self.screenshot("first-start")

    def _ini(self):
        try:
            return self.read_settings()
        except FileNotFoundError:
            return None


class StartWithStoredMethod(ProgramCase):
    def _start_with(self, number):
        self.settings = f"[入力方法]\r\n番号={number}\r\n[文字]\r\nサイズ=26\r\n"
        with open(self.ini_path, "wb") as f:
            f.write(sjis(self.settings))
        self.start_program()
        self.wait_for(lambda: self.read_settings() == sjis(self.settings), message="the method written back")

    def test_mouse(self):
        self._start_with(2)

    def test_keypad(self):
        self._start_with(3)


class HeightOnlyDrag(ProgramCase):
    def test_height_change_undone_and_width_scales(self):
        self.start_program()
        self.xdo("windowsize", self.window, "878", "800")
        time.sleep(0.5)
        self.assertEqual(self.geometry(), (878, 641))
        self.xdo("windowsize", self.window, "1317", "641")
        self.wait_for(lambda: self.geometry() == (1317, 962), message="height following width")


if __name__ == "__main__":
    unittest.main()
