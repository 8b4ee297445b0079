"""The speech cache (the audio the program keeps under the user's cache
folder) as another user of the machine and a hostile user meet it: the
folder and its files are the user's alone, also when an earlier version
left them open; what the user wrote and heard is forgotten with
"よそくの学習を忘れる" while what the program itself says stays; cache
files that are pipes or links to /dev/zero are passed over (the greeting
is heard, the program ends cleanly); damaged files (cut short, samples
overwritten with noise) are never played but made again."""

import hashlib
import os
import random
import stat
import struct
import time
import unittest

from harness import RATE, ProgramCase

MAGIC = b"MJPCM2\0\0"
HEADER = 44
KIND_AT = 8
OWN = 1


def entries(folder):
    return sorted(n for n in os.listdir(folder) if n.endswith(".pcm")) if os.path.isdir(folder) else []


def head(path):
    with open(path, "rb") as f:
        return f.read(HEADER)


def sound(path):
    """Whether the file is an entry as the program writes it: its header's
    length and checksum fit its samples."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < HEADER or not data.startswith(MAGIC):
        return False
    count = struct.unpack_from("<I", data, 12)[0]
    return (HEADER + 2 * count == len(data)
            and hashlib.sha1(data[:36] + data[HEADER:]).digest()[:8] == data[36:HEADER])


def others(path):
    return os.lstat(path).st_mode & 0o077


class SpeechCacheCase(ProgramCase):
    settings = "[文字]\r\nよそく=1\r\n"

    def setUp(self):
        super().setUp()
        self.env["XDG_CACHE_HOME"] = os.path.join(self.tmp, "cache")
        self.env["XDG_DATA_HOME"] = os.path.join(self.tmp, "data")
        self.folder = os.path.join(self.tmp, "cache", "mojipot", "speech")

    def settle(self):
        """Until the start's warm-up is done: no new file for 2 s."""
        last, since = -1, time.monotonic()
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            n = len(entries(self.folder))
            if n != last:
                last, since = n, time.monotonic()
            elif time.monotonic() - since > 2.0:
                return n
            time.sleep(0.2)
        self.fail("the warm-up never settled")

    def end_program(self):
        """"おわり" (Ctrl+Q), its notice closed: the program must end at once, cleanly."""
        self.xdo("windowfocus", "--sync", self.window)  # no window manager gives it back after a box
        self.key("ctrl+q")
        self.wait_for(lambda: self.notice_box() is not None, message="the farewell notice")
        self.enter_on_notice()
        self.assertEqual(self.proc.wait(10), 0, self.program_output())
        self.log.close()
        self.proc = None

    def greeting(self, mark):
        """The greeting as heard after `mark`: its length in seconds (first
        loud sample to the last before 0.6 s of quiet) and its peak."""
        self.assertTrue(self.recorder.loud_after(mark, 10.0), "no greeting heard")
        time.sleep(3.0)
        s = self.recorder.samples()[mark:]
        start = next(i for i, v in enumerate(s) if abs(v) > 800)
        quiet, end = int(0.6 * RATE), start
        for i in range(start, len(s)):
            if abs(s[i]) > 800:
                end = i
            elif i - end > quiet:
                break
        return (end - start) / RATE, max(abs(v) for v in s[start:end + 1])


class CacheIsPrivateAndForgotten(SpeechCacheCase):
    def test_owner_only_and_the_users_own_forgotten(self):
        self.start_program()
        self.settle()
        self.end_program()
        # As an earlier version left it: open to every user of the machine.
        os.chmod(self.folder, 0o755)
        for name in entries(self.folder):
            os.chmod(os.path.join(self.folder, name), 0o644)

        self.start_program()
        self.assertEqual(others(self.folder), 0, "the folder is mended at start")
        self.settle()
        self.wait_for(lambda: all(others(os.path.join(self.folder, n)) == 0 for n in entries(self.folder)),
                      message="every file mended to owner-only")
        fixed = set(entries(self.folder))
        self.assertTrue(all(head(os.path.join(self.folder, n))[KIND_AT] != OWN for n in fixed),
                        "what the program says at start is its own")

        # "あい" written, then read aloud with "よむ": the user's own words.
        self.key("Left", "Return", "Down", "Return", "Up", "Right", "Return")
        self.wait_for(lambda: any(head(os.path.join(self.folder, n))[KIND_AT] == OWN
                                  for n in set(entries(self.folder)) - fixed), message="the text read aloud kept")
        own = {n for n in entries(self.folder) if head(os.path.join(self.folder, n))[KIND_AT] == OWN}
        self.assertTrue(all(others(os.path.join(self.folder, n)) == 0 for n in entries(self.folder)))

        # 文字 → よそくの学習を忘れる (the ninth item), with the keyboard.
        self.key("alt+c")
        time.sleep(0.5)
        self.key(*(["Down"] * 8), "Return")
        self.wait_for(lambda: self.notice_box() is not None, message="the notice that it was forgotten")
        self.enter_on_notice()
        self.wait_for(lambda: not own & set(entries(self.folder)), message="the user's own audio removed")
        self.assertLessEqual(fixed, set(entries(self.folder)), "what the program says stays")
        self.end_program()


class CacheFilesThatAreNotFiles(SpeechCacheCase):
    def test_pipes_and_links_to_dev_zero_passed_over(self):
        self.start_program()
        made = self.settle()
        self.end_program()
        for i, name in enumerate(entries(self.folder)):
            path = os.path.join(self.folder, name)
            os.unlink(path)
            if i % 2:
                os.symlink("/dev/zero", path)
            else:
                os.mkfifo(path)

        mark = self.recorder.mark()
        self.start_program()
        self.assertTrue(self.recorder.loud_after(mark, 10.0), "the greeting is made again and heard")
        self.wait_for(lambda: sum(stat.S_ISREG(os.lstat(os.path.join(self.folder, n)).st_mode)
                                  for n in entries(self.folder)) == made, seconds=60,
                      message="every entry made again as a plain file")
        mark = self.recorder.mark()
        self.key("Left")  # "あ", said when reached
        self.assertTrue(self.recorder.loud_after(mark, 3.0), "the speech goes on")
        self.end_program()


class DamagedCacheFiles(SpeechCacheCase):
    def test_cut_and_noisy_files_never_played(self):
        mark = self.recorder.mark()
        self.start_program()
        length, peak = self.greeting(mark)
        self.settle()
        self.end_program()
        rng = random.Random(9)
        for i, name in enumerate(entries(self.folder)):
            path = os.path.join(self.folder, name)
            with open(path, "r+b") as f:
                size = os.path.getsize(path)
                if i % 2:
                    f.truncate(HEADER + (size - HEADER) // 4 * 2)  # half of its samples
                else:
                    f.seek(HEADER)
                    f.write(bytes(rng.choice((0x00, 0x80, 0xFF, 0x7F)) for _ in range(size - HEADER)))

        mark = self.recorder.mark()
        self.start_program()
        again, loudest = self.greeting(mark)
        self.assertLess(loudest, 30000, "no noise at full scale")
        self.assertLessEqual(loudest, peak * 1.5)
        self.assertGreater(again, length * 0.8, f"the whole greeting heard ({again:.2f} s, first {length:.2f} s)")
        self.settle()
        self.wait_for(lambda: all(sound(os.path.join(self.folder, n)) for n in entries(self.folder)),
                      message="every damaged file removed or made again")
        self.end_program()


if __name__ == "__main__":
    unittest.main()
