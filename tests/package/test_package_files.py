"""The built package checked as a Debian user's tools see it: its declared
dependencies, its files, the desktop entry and metadata validators, lintian."""

import os
import shutil
import struct
import tempfile
import unittest

from packagefiles import APP_ID, DESKTOP, README, deb_path, run

DIST = os.environ.get("MOJIPOT_DIST_DIR", "")


class PackageFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.deb = deb_path()
        cls.root = tempfile.mkdtemp(prefix="mojipot-deb-")
        r = run("dpkg-deb", "-x", cls.deb, cls.root)
        assert r.returncode == 0, r.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def path(self, installed):
        return os.path.join(self.root, installed.lstrip("/"))

    def test_runtime_dependencies_declared(self):
        depends = run("dpkg-deb", "-f", self.deb, "Depends").stdout
        names = {d.split()[0] for part in depends.split(",") for d in part.split("|")}
        for needed in ["libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6multimedia6", "libqt6printsupport6",
                       "open-jtalk", "open-jtalk-mecab-naist-jdic", "hts-voice-nitech-jp-atr503-m001",
                       "espeak-ng-data", "libespeak-ng1", "fonts-ipafont-gothic", "libcurl4", "libcups2",
                       "qt6-translations-l10n", "libanthy1", "kanjidic", "libhtsengine1"]:
            with self.subTest(package=needed):
                self.assertIn(needed, names)

    def test_programs_are_not_built_for_the_sanitizers(self):
        # The test script builds the sanitizer build beside this one: the
        # package must hold ordinary programs (a sanitizer's runtime slows
        # every user down and is not among the dependencies users install).
        depends = run("dpkg-deb", "-f", self.deb, "Depends").stdout
        for program in ["/usr/bin/mojipot", "/usr/lib/mojipot/smail"]:
            with self.subTest(program=program):
                r = run("readelf", "--dynamic", "--wide", self.path(program))
                self.assertEqual(r.returncode, 0, r.stderr)
                needed = [line.split("[", 1)[1].rstrip("]") for line in r.stdout.splitlines() if "(NEEDED)" in line]
                self.assertIn("libc.so.6", needed)
                self.assertEqual([n for n in needed if n.startswith(("libasan", "libubsan", "libtsan"))], [])
        self.assertNotRegex(depends, r"\blib(asan|ubsan|tsan)")

    def test_conversion_engine_recommended(self):
        recommends = run("dpkg-deb", "-f", self.deb, "Recommends").stdout
        self.assertEqual({d.strip().split()[0] for d in recommends.split(",")}, {"mozc-server", "emacs-mozc-bin"})

    def test_installed_layout(self):
        for program in ["/usr/bin/mojipot", "/usr/lib/mojipot/smail"]:
            with self.subTest(program=program):
                self.assertTrue(os.access(self.path(program), os.X_OK))
        self.assertTrue(os.path.isfile(self.path("/usr/share/mojipot/installed")))
        # The read-me (Shift-JIS, CR LF) and the kana model are the portable folder's byte for byte.
        for installed_path, dist_name in [(README, "ReadMe日記.txt"), ("/usr/share/mojipot/kanamodel.bin", "kanamodel.bin")]:
            with self.subTest(file=dist_name), open(self.path(installed_path), "rb") as installed, \
                    open(os.path.join(DIST, dist_name), "rb") as dist:
                self.assertEqual(installed.read(), dist.read())
        self.assertTrue(os.path.isfile(self.path(f"/usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg")))
        sizes = os.listdir(self.path("/usr/share/icons/hicolor"))
        self.assertIn("48x48", sizes)
        for folder in sizes:
            if folder == "scalable":
                continue
            with self.subTest(icon=folder), open(self.path(f"/usr/share/icons/hicolor/{folder}/apps/{APP_ID}.png"),
                                                 "rb") as f:
                header = f.read(24)
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual("%dx%d" % struct.unpack(">II", header[16:24]), folder)

    def test_desktop_entry_and_metadata_valid(self):
        r = run("desktop-file-validate", self.path(DESKTOP))
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))
        r = run("appstreamcli", "validate-tree", "--no-net", "--pedantic", self.root)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_lintian_finds_no_error(self):
        r = run("lintian", "--fail-on", "error", "--display-info", self.deb)
        print(r.stdout, end="")
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        self.assertNotIn("\nE: ", "\n" + r.stdout)


if __name__ == "__main__":
    unittest.main()
