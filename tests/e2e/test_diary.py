"""A diary from writing to the next start, as a user does it with the
keyboard only: write, save with "しまう", open the day's file again through
the menu, read the read-me, switch size and inversion, end with "おわり",
start again."""

import datetime
import os
import subprocess
import time
import unittest

from harness import ProgramCase, sjis, today_name



class DiaryDay(ProgramCase):
    def settings_text(self):
        try:
            return self.read_settings().decode("cp932")
        except FileNotFoundError:
            return ""

    def display_pixel(self):
        """The colour of the display's top-left inside, from a screenshot."""
        out = self.xdo("getwindowgeometry", "--shell", self.window).stdout
        vals = dict(line.split("=", 1) for line in out.split())
        x, y = int(vals["X"]) + 60, int(vals["Y"]) + 60
        shot = os.path.join(self.tmp, "shot.png")
        subprocess.run(["import", "-window", "root", "-crop", f"1x1+{x}+{y}", shot], env=self.env, check=True)
        rgb = subprocess.run(["convert", shot, "-format", "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]",
                              "info:"], capture_output=True, text=True, check=True).stdout
        return tuple(int(v) for v in rgb.split(","))

    def test_write_save_open_readme_settings_restart(self):
        self.start_program()
        # "よむ" has the focus; Left reaches "あ", Down "い"; Enter writes.
        self.key("Left", "Return", "Down", "Return")
        self.key("ctrl+s")
        self.wait_for(lambda: self.diary_bytes() == sjis("あい"), message="today's diary in Shift-JIS")
        self.assertEqual(sorted(os.listdir(os.path.join(self.dist, "日記"))), [today_name()])

        # Clear, write "う", then open the day's file through the menu: the
        # dialog starts in the diary folder, where it is the only file.
        self.key("ctrl+Delete", "Down", "Return")
        self.key("ctrl+o")
        time.sleep(1.0)
        self.xdo("type", "--delay", "80", today_name())
        self.key("Return")
        time.sleep(0.8)
        # Without a window manager the focus does not come back by itself.
        self.xdo("windowfocus", "--sync", self.window)
        # Saving again writes what the display holds now: the opened text.
        os.unlink(self.diary_path())
        self.key("ctrl+s")
        self.wait_for(lambda: self.diary_bytes() == sjis("あい"), message="the opened diary in the display")

        # The read-me, in the small size; saved as today's diary it is the
        # distributed file byte for byte.
        self.key("alt+h", "Return")
        self.wait_for(lambda: "サイズ=26\r\n文字数=20" in self.settings_text(), message="the small size written")
        self.key("ctrl+s")
        with open(os.path.join(self.dist, "ReadMe日記.txt"), "rb") as f:
            readme = f.read()
        self.wait_for(lambda: self.diary_bytes() == readme, message="the read-me in the display")

        # Inverted, then large.
        self.key("alt+c", "i")
        self.wait_for(lambda: "反転=1" in self.settings_text(), message="inversion written")
        self.key("alt+c", "Down", "Return")
        self.wait_for(lambda: "サイズ=48\r\n文字数=11" in self.settings_text(), message="the large size written")
        self.assertEqual(self.display_pixel(), (0, 0, 0))
        self.screenshot("diary-inverted-large")

        # "おわり": the farewell notice, then the end once it is closed.
        self.key("ctrl+q")
        time.sleep(1.0)
        self.assertIsNone(self.proc.poll(), "the program must wait for the notice to be closed")
        self.key("Return")
        self.assertEqual(self.proc.wait(10), 0)
        kept = self.read_settings()

        self.log.close()
        self.start_program()
        time.sleep(0.5)
        self.assertEqual(self.display_pixel(), (0, 0, 0))
        self.assertIn("サイズ=48\r\n文字数=11", self.settings_text())
        self.assertEqual(self.read_settings(), kept)
        self.screenshot("diary-restart")

    def test_windows_diaries_kept_byte_for_byte(self):
        """Diaries written on Windows (code page 932) are opened and saved
        again as they were: short half-width katakana whose bytes are valid
        UTF-8 as well, and a byte that is not code page 932 (saved as "?")."""
        cases = [
            ("windows1.txt", b"\xc3\xbd\r\n", b"\xc3\xbd\r\n"),  # ﾃｽ
            ("windows2.txt", b"\x82\xa0\x80\x82\xa2\r\n\xc8\xba", b"\x82\xa0?\x82\xa2\r\n\xc8\xba"),  # あ?い ﾈｺ
        ]
        self.start_program()
        for name, original, saved in cases:
            with open(os.path.join(self.dist, "日記", name), "wb") as f:
                f.write(original)
            self.key("ctrl+o")
            time.sleep(1.0)
            self.xdo("type", "--delay", "80", name)
            self.key("Return")
            time.sleep(0.8)
            self.xdo("windowfocus", "--sync", self.window)
            self.key("ctrl+s")
            self.wait_for(lambda: self.diary_bytes() == saved, message=f"{name} saved as it was")
            os.unlink(self.diary_path())


if __name__ == "__main__":
    unittest.main()
