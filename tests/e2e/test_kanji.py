"""Kana–kanji conversion with the arrow keys alone: "きょうは いい てんき"
written, converted phrase by phrase with "へんかん" and "かくてい" (the
second candidate of the first phrase chosen by ear), and today's diary
checked for 今日はいい天気; what was chosen is learnt in the user's data
folder, never in the diary folder. A learning history of 100 000 lines
holds up neither converting nor saving; "きしゃ" written before an opened
file's text is converted whole.

With Mozc, as an ordinary user (Mozc's server refuses the administrator; run
as the administrator, the scenarios create a user): the same sentence right
at once; with the row of words on, "びょうい" offers 病院 first, written by one
choice and learnt; the user's own Mozc folder neither made nor changed, the user's own
Mozc server left alone, ours ended with the program; with Mozc's helper
missing, 自動 converts with Anthy and says nothing about it; a helper that
answers garbage is a helper lost: Anthy converts."""

import os
import select
import subprocess
import time
import unittest

from harness import Keyboard, OrdinaryUser, ProgramCase, sjis, wait_until

MOZC = os.path.exists("/usr/lib/mozc/mozc_server") and os.path.exists("/usr/bin/mozc_emacs_helper")


def place(tag):
    """Column (1-13, from the right) and row (1-5) of a grid key."""
    return (tag - 1) // 5 + 1, (tag - 1) % 5 + 1


TAGS = {"き": 7, "ょ": 54, "う": 3, "は": 26, "い": 2, "て": 19, "ん": 48, "し": 12, "ゃ": 52, "ひ": 27, "゛": 49,
        "へんかん": 58, "かくてい": 59, "しまう": 63}


class ArrowKeyWriting(ProgramCase):
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

    def write(self, kana, *keys):
        """The kana from "よむ" on, then the named keys."""
        self.keyboard.press("Left")  # from "よむ" to "あ"
        for key in list(kana) + list(keys):
            self.go_and_press(key)

    def history(self):
        return os.path.join(self.env["XDG_DATA_HOME"], "mojipot", "kanji-history.txt")


class ConvertWithArrowKeys(ArrowKeyWriting):
    settings = "[文字]\r\n漢字=1\r\n"

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


@unittest.skipUnless(os.geteuid() == 0, "creating an ordinary user needs the administrator")
class AsOrdinaryUser(ArrowKeyWriting):
    """The program run by an ordinary user created for the test, with
    conversion on and the given engine."""
    engine = None

    def setUp(self):
        super().setUp()
        self.user = OrdinaryUser(self, self.tmp)
        self.home = self.user.home
        self.env = self.user.env(self.env["DISPLAY"], XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                                 XDG_CACHE_HOME=os.path.join(self.tmp, "cache"))
        with open(self.ini_path, "wb") as f:
            f.write(sjis(f"[文字]\r\n漢字=1\r\nエンジン={self.engine}\r\n"))
        self.own = os.path.join(self.home, ".config", "mozc")  # a desktop Mozc's folder

    def processes(self):
        return self.user.processes()

    def end_program(self):
        """"おわり" (ctrl+q), its notice closed with Enter: the program ends."""
        self.key("ctrl+q")
        self.wait_for(lambda: self.notice_box() is not None, message="the notice of the end")
        self.enter_on_notice()
        self.wait_for(lambda: self.proc.poll() is not None, message="the end of the program")
        self.assertEqual(self.proc.returncode, 0, self.program_output())


@unittest.skipUnless(MOZC, "Mozc is not installed (mozc-server, emacs-mozc-bin)")
class ConvertWithMozc(AsOrdinaryUser):
    engine = "Mozc"

    def test_today_fine_weather_right_at_once(self):
        self.start_program()
        # Mozc's first candidates are right: one "へんかん", one "かくてい" a phrase.
        self.write("きょうはいいてんき", "へんかん", "かくてい", "かくてい", "しまう")
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("今日はいい天気"))
        with open(self.history(), encoding="utf-8") as f:
            self.assertIn("いいてんき\tいい天気", f.read())  # a phrase as Mozc cuts it
        profile = os.path.join(self.home, ".local", "share", "mojipot", "mozc", ".config", "mozc")
        self.assertTrue(os.path.isdir(profile), "no Mozc profile in the data folder")
        self.end_program()
        self.assertFalse(os.path.exists(self.own), "the user's own Mozc folder was made")
        self.assertFalse(os.path.exists(os.path.join(self.home, ".mozc")))
        # The helper and the server it started end with the program.
        self.assertTrue(wait_until(lambda: not self.processes(), 5), self.processes())

    def test_byoin_from_the_row(self):
        # With the row and its kanji words: "びょうい" offers 病院 first; Up
        # from い to あ, up into the row at its last place, Right round to
        # the first, Enter; saved.
        with open(self.ini_path, "ab") as f:
            f.write(sjis("よそく=1\r\n漢字のよそく=1\r\n"))
        self.start_program()
        self.write(["ひ", "゛", "ょ", "う", "い"])
        time.sleep(1.5)  # the row filled, then its kanji words from Mozc
        self.keyboard.press("Up", "Up", "Right", "Return", pause=0.2)
        time.sleep(0.5)
        self.key("ctrl+s")
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("病院"))
        with open(self.history(), encoding="utf-8") as f:
            self.assertIn("びょういん\t病院", f.read())

    def test_users_own_mozc_left_as_it_is(self):
        # The user's desktop Mozc: its folder made by its own server, which
        # keeps running meanwhile.
        os.makedirs(os.path.dirname(self.own))
        os.chown(os.path.dirname(self.own), self.user.uid, self.user.gid)
        desktop = subprocess.Popen(self.user.argv(dict(self.env), ["mozc_emacs_helper", "--suppress_stderr"]),
                                   stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.addCleanup(desktop.wait, 5)
        self.addCleanup(desktop.kill)
        self.addCleanup(desktop.stdout.close)
        self.addCleanup(desktop.stdin.close)
        desktop.stdin.write("(1 CreateSession)\n(2 SendKey 1 \"きしゃ\")\n".encode())
        desktop.stdin.flush()
        for _ in range(3):  # greeting, session, the text typed in
            ready, _, _ = select.select([desktop.stdout], [], [], 10)
            self.assertTrue(ready and desktop.stdout.readline(), "the desktop's Mozc did not answer")
        servers = self.processes()
        self.assertEqual(len(servers), 2, servers)  # the helper and its server
        before = snapshot(self.own)
        self.assertTrue(before)

        self.start_program()
        self.write("きしゃ", "へんかん", "かくてい", "しまう")
        self.wait_for(lambda: self.diary_bytes() is not None, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("記者"))
        self.end_program()
        self.assertEqual(snapshot(self.own), before)
        self.assertEqual(self.processes(), servers, "the user's own Mozc was ended, or ours left running")


class MozcHelperMissing(AsOrdinaryUser):
    engine = "自動"

    def setUp(self):
        super().setUp()
        self.env["MOJIPOT_MOZC_HELPER"] = "/nonexistent/mozc_emacs_helper"

    def test_automatic_falls_back_to_anthy_quietly(self):
        self.start_program()
        self.write("きょうはいいてんき", "へんかん", "へんかん", "かくてい", "かくてい", "かくてい", "しまう")
        self.wait_for(lambda: self.diary_bytes() is not None, seconds=10, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("今日はいい天気"))
        self.assertIsNone(self.notice_box())
        self.assertFalse(os.path.exists(os.path.join(self.home, ".local", "share", "mojipot", "mozc")))


@unittest.skipUnless(MOZC, "Mozc's server is not installed (mozc-server)")
class MozcHelperGarbled(AsOrdinaryUser):
    """A helper that greets with a line of a million "(": a failed answer,
    as a stuck helper's is. Conversion goes on with Anthy."""
    engine = "Mozc"

    def setUp(self):
        super().setUp()
        helper = os.path.join(self.tmp, "garbled_helper")
        with open(helper, "w") as f:
            f.write("#!/bin/sh\nhead -c 1000000 /dev/zero | tr '\\000' '('\necho\nexec sleep 60\n")
        os.chmod(helper, 0o755)
        self.env["MOJIPOT_MOZC_HELPER"] = helper

    def test_nested_answer_taken_as_a_failed_one(self):
        self.start_program()
        time.sleep(1.0)  # the helper's line has been read meanwhile
        self.assertIsNone(self.proc.poll(), self.program_output())
        self.write("きょうはいいてんき", "へんかん", "へんかん", "かくてい", "かくてい", "かくてい", "しまう")
        self.wait_for(lambda: self.diary_bytes() is not None, seconds=10, message="today's diary file")
        self.assertEqual(self.diary_bytes(), sjis("今日はいい天気"))
        self.end_program()


def snapshot(folder):
    """Every file under the folder with its bytes and time of change."""
    out = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            with open(path, "rb") as f:
                out[os.path.relpath(path, folder)] = (f.read(), os.stat(path).st_mtime_ns)
    return out


if __name__ == "__main__":
    unittest.main()
