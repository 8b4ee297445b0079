"""What the built package holds, read with dpkg-deb (no root needed)."""

import glob
import os
import shlex
import subprocess

BUILD = os.environ.get("MOJIPOT_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
APP_ID = "org.example.mojipot"
DESKTOP = f"/usr/share/applications/{APP_ID}.desktop"
README = "/usr/share/mojipot/ReadMe日記.txt"


def deb_path():
    """The one package this build made."""
    debs = glob.glob(os.path.join(BUILD, "package", "mojipot_*.deb"))
    if len(debs) != 1:
        raise RuntimeError(f"expected one package in {BUILD}/package, found {debs}")
    return debs[0]


def exec_line(desktop_text):
    """The Exec line of the [Desktop Entry] group, field codes removed, as an
    argument list the way a menu starts it."""
    group = None
    for line in desktop_text.splitlines():
        if line.startswith("["):
            group = line.strip()
        elif group == "[Desktop Entry]" and line.startswith("Exec="):
            args = shlex.split(line[len("Exec="):])
            return [a for a in args if not (len(a) == 2 and a.startswith("%"))]
    raise ValueError("no Exec line")


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, **kwargs)
