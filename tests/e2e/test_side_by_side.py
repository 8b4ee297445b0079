"""What lets scenarios run beside each other and beside the suites: each has
an X server and a sound server of its own. X servers started at the same
moment take different displays; a sound played into one scenario's server is
heard by its recording and by no other's."""

import array
import math
import os
import shutil
import subprocess
import tempfile
import threading
import unittest

from harness import RATE, Display, Recorder, SoundServer


def tone(seconds=0.8, amplitude=12000):
    """A 440 Hz tone as 16-bit mono samples at the recorders' rate."""
    return array.array("h", (int(amplitude * math.sin(2 * math.pi * 440 * i / RATE))
                             for i in range(int(seconds * RATE)))).tobytes()


class SideBySide(unittest.TestCase):
    def test_displays_started_at_once_are_different_servers(self):
        displays = [Display() for _ in range(4)]
        names = [None] * len(displays)

        def start(i):
            names[i] = displays[i].start()

        threads = [threading.Thread(target=start, args=(i,)) for i in range(len(displays))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        for d in displays:
            self.addCleanup(d.stop)
        self.assertNotIn(None, names)
        self.assertEqual(len(set(names)), len(names), names)
        for d, name in zip(displays, names):
            with self.subTest(display=name):
                self.assertIsNone(d.proc.poll(), "its X server ended")
                r = subprocess.run(["xdpyinfo", "-display", name], capture_output=True)
                self.assertEqual(r.returncode, 0, r.stderr)

    def play(self, samples, server=None):
        """Samples played through a sound server (None: the test script's shared one)."""
        env = dict(os.environ, PULSE_SERVER=server) if server else {k: v for k, v in os.environ.items()
                                                                   if k != "PULSE_SERVER"}
        return subprocess.run(["pacat", "--playback", "--raw", "--format=s16le", f"--rate={RATE}", "--channels=1"],
                              input=samples, env=env, capture_output=True, timeout=20)

    def test_sound_is_heard_by_its_own_server_alone(self):
        shared_runs = self.play(b"").returncode == 0
        ours = SoundServer(self.folder())
        self.addCleanup(ours.stop)
        heard = Recorder()
        heard.start()  # records our server: PULSE_SERVER names it meanwhile
        self.addCleanup(heard.stop)
        other = SoundServer(self.folder())
        self.addCleanup(other.stop)
        self.assertNotEqual(ours.address, other.address)

        # Another scenario's sound, and a suite's on the test script's shared
        # server, do not reach our recording.
        mark = heard.mark()
        r = self.play(tone(), other.address)
        self.assertEqual(r.returncode, 0, r.stderr)
        if shared_runs:
            r = self.play(tone())
            self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(heard.quiet_window(mark, 1.0), "another server's sound was recorded")

        # Our own is heard.
        mark = heard.mark()
        r = self.play(tone(), ours.address)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(heard.loud_after(mark, 5), "our own server's sound was not recorded")

    def folder(self):
        path = tempfile.mkdtemp(prefix="mojipot-side-")
        self.addCleanup(shutil.rmtree, path, ignore_errors=True)
        return path


if __name__ == "__main__":
    unittest.main()
