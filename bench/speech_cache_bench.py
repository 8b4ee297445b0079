#!/usr/bin/env python3
"""The speech cache and the warm-up against the real program, so that one
build can be measured beside another (--dist of each):

  greeting   the greeting's time after start with a large speech cache: the
             cache a start leaves, filled up with older entries of the same
             program to about 1.1 GB in 20 000 files (--files, --mib); each
             run starts from that cache again (hard links), so every run has
             all of it to cut back;
  phrases    the processor time (the program and its open_jtalk processes)
             and the bytes written of a first and a second start with 2 000
             phrases in 定型文.txt and the row of words on, each start until
             the program has been idle for 3 s;
  read-aloud the program's resident memory while it reads a text of 200 000
             characters aloud (--chars), sampled every 2 s for --seconds.

Each runs the program from a fresh copy of the distribution folder, with a
cache folder of its own and its sound into a PulseAudio server of the bench's
own (a null sink kept awake by a silent stream, as a sound card is), whose
monitor is recorded; "read-aloud" needs an X display (Xvfb) and xdotool, the
others run on the offscreen platform.

Usage: speech_cache_bench.py greeting|phrases|read-aloud [--dist DIR (dist)]
           [--runs 5] [--files 20000] [--mib 1100] [--chars 200000] [--seconds 90]
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from perf_table import Monitor  # noqa: E402
from soak import Display, SoundServer, TITLE, rss_kib, run  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def log(text):
    print(text, flush=True)


def everyday_sentences():
    with open(os.path.join(ROOT, "prediction", "data", "everyday.txt"), encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


class Bench:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="mojipot-cache-bench-")
        self.sound = SoundServer(self.tmp)
        os.environ["PULSE_SERVER"] = self.sound.address
        self.awake = subprocess.Popen(["pacat", "--raw", "--format=s16le", "--rate=48000", "--channels=1",
                                       "--latency-msec=20"], stdin=open("/dev/zero", "rb"))
        time.sleep(2.5)  # the sink takes the silent stream once its idle block ends

    def close(self):
        self.awake.kill()
        self.awake.wait()
        self.sound.stop()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def dist_copy(self, name, settings=None):
        dist = os.path.join(self.tmp, name)
        shutil.rmtree(dist, ignore_errors=True)
        shutil.copytree(self.args.dist, dist, ignore=shutil.ignore_patterns("mojipot.ini", "*.png", "定型文.txt"))
        if settings is not None:
            with open(os.path.join(dist, "mojipot.ini"), "wb") as f:
                f.write(settings.encode("cp932"))
        return dist

    def start(self, dist, cache, display=None):
        env = dict(os.environ, XDG_CACHE_HOME=cache, XDG_DATA_HOME=os.path.join(self.tmp, "data"),
                   XDG_CONFIG_HOME=os.path.join(self.tmp, "config"))
        if display:
            env["DISPLAY"] = display
            env.pop("QT_QPA_PLATFORM", None)
        else:
            env["QT_QPA_PLATFORM"] = "offscreen"
        log_file = open(os.path.join(self.tmp, "program.log"), "ab")
        return subprocess.Popen([os.path.join(dist, "mojipot")], cwd=dist, env=env, stdout=log_file,
                                stderr=subprocess.STDOUT)


def cpu_seconds(pid):
    """Processor time of a process, its ended children and its live ones."""
    def fields(p):
        with open(f"/proc/{p}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()

    own = fields(pid)
    total = sum(int(v) for v in own[11:15])  # utime stime cutime cstime
    for child in run("ps", "--ppid", str(pid), "-o", "pid=").stdout.split():
        try:
            c = fields(child)
            total += int(c[11]) + int(c[12])
        except OSError:
            pass
    return total / TICK


def written_bytes(pid):
    with open(f"/proc/{pid}/io") as f:
        for line in f:
            if line.startswith("write_bytes:"):
                return int(line.split()[1])
    return 0


def until_idle(proc, quiet_seconds=3.0, limit=600):
    """Waits until the program has used under 2 % of a core for quiet_seconds;
    its processor time, the seconds that took and the bytes it wrote."""
    t0 = time.monotonic()
    last = cpu_seconds(proc.pid)
    quiet_since = None
    while time.monotonic() - t0 < limit:
        time.sleep(0.5)
        now = cpu_seconds(proc.pid)
        if now - last < 0.01:
            quiet_since = quiet_since or time.monotonic()
            if time.monotonic() - quiet_since >= quiet_seconds:
                break
        else:
            quiet_since = None
        last = now
    busy = (quiet_since or time.monotonic()) - t0
    return cpu_seconds(proc.pid), busy, written_bytes(proc.pid)


def end(proc):
    proc.terminate()
    try:
        proc.wait(20)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def greeting(bench, args):
    """Start → the greeting's first sound, with a large cache to cut back."""
    dist = bench.dist_copy("dist")
    master = os.path.join(bench.tmp, "master")
    folder = os.path.join(master, "mojipot", "speech")
    proc = bench.start(dist, master)
    until_idle(proc)
    end(proc)
    made = sorted(os.listdir(folder))
    log(f"a start left {len(made)} files")
    # Older entries of the same program (copies of what it wrote, under
    # other names), so that the cut-back deletes them and keeps the rest.
    sizes = [os.path.getsize(os.path.join(folder, n)) for n in made]
    rng = random.Random(7)
    target = args.mib * 1024 * 1024
    total = sum(sizes)
    count = len(made)
    old = time.time() - 86400
    pieces = {}
    while count < args.files:
        left = args.files - count
        want = max(4096, (target - total) // left)
        if want not in pieces:
            src = open(os.path.join(folder, made[0]), "rb").read()
            body = (src * (want // len(src) + 1))[:want]
            pieces[want] = body
        name = "%040x.pcm" % rng.getrandbits(160)
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(pieces[want])
        os.utime(path, (old, old))
        total += want
        count += 1
    log(f"cache: {count} files, {total / 2**20:.0f} MiB")
    times = []
    for i in range(args.runs):
        cache = os.path.join(bench.tmp, f"run{i}")
        os.makedirs(os.path.join(cache, "mojipot"))
        subprocess.run(["cp", "-al", folder, os.path.join(cache, "mojipot", "speech")], check=True)
        monitor = Monitor()
        time.sleep(0.3)
        t0 = time.monotonic()
        proc = bench.start(dist, cache)
        first = monitor.first_after(t0, timeout=60)
        monitor.stop()
        until_idle(proc, quiet_seconds=2.0)
        left = len(os.listdir(os.path.join(cache, "mojipot", "speech")))
        end(proc)
        shutil.rmtree(cache)
        ms = 1000 * (first - t0) if first else None
        log(f"run {i + 1}: greeting after {ms:.0f} ms, {left} files after the cut-back" if ms
            else f"run {i + 1}: no greeting heard")
        if ms:
            times.append(ms)
    if times:
        log(f"greeting after start, {len(times)} runs: median {statistics.median(times):.0f} ms, "
            f"{min(times):.0f}–{max(times):.0f} ms")


def phrases(bench, args):
    """First and second start with 2 000 phrases and the row on."""
    dist = bench.dist_copy("dist", "[文字]\r\nよそく=1\r\n")
    sentences = everyday_sentences()
    lines, seen = [], set()
    i = 0
    while len(lines) < 2000:
        s = sentences[i % len(sentences)]
        if i >= len(sentences):  # two sentences joined, for more distinct phrases
            s = s.rstrip("。") + "、" + sentences[(i * 7 + 3) % len(sentences)]
        if s not in seen:
            seen.add(s)
            lines.append(s)
        i += 1
    with open(os.path.join(dist, "定型文.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    cache = os.path.join(bench.tmp, "cache")
    for start in ("first", "second"):
        proc = bench.start(dist, cache)
        cpu, busy, written = until_idle(proc)
        end(proc)
        files = os.listdir(os.path.join(cache, "mojipot", "speech"))
        size = sum(os.path.getsize(os.path.join(cache, "mojipot", "speech", n)) for n in files)
        log(f"{start} start: processor {cpu:.1f} s, busy for {busy:.1f} s, {written / 2**20:.0f} MiB written; "
            f"cache {len(files)} files, {size / 2**20:.0f} MiB")


def read_aloud(bench, args):
    """The program's resident memory while a long text is read aloud."""
    dist = bench.dist_copy("dist")
    sentences = everyday_sentences()
    text, i = [], 0
    count = 0
    while count < args.chars:
        s = sentences[i % len(sentences)]
        text.append(s)
        count += len(s) + 1
        i += 1
    with open(os.path.join(dist, "日記", "long.txt"), "wb") as f:
        f.write("\r\n".join(text).encode("cp932"))
    display = Display()
    env = dict(os.environ, DISPLAY=display.name)
    env.pop("QT_QPA_PLATFORM", None)

    def xdo(*a):
        return run("xdotool", *a, env=env)

    cache = os.path.join(bench.tmp, "cache")
    try:
        proc = bench.start(dist, cache, display.name)
        window = None
        for _ in range(200):
            r = xdo("search", "--onlyvisible", "--name", f"^{TITLE}$")
            if r.returncode == 0 and r.stdout.strip():
                window = r.stdout.split()[0]
                break
            time.sleep(0.1)
        if not window:
            raise RuntimeError("the window did not appear")
        xdo("windowfocus", "--sync", window)
        time.sleep(1.0)
        xdo("key", "ctrl+o")
        time.sleep(1.5)
        xdo("type", "--delay", "80", "long.txt")
        xdo("key", "Return")
        time.sleep(3.0)
        xdo("windowfocus", "--sync", window)
        until_idle(proc, quiet_seconds=2.0)
        folder = os.path.join(cache, "mojipot", "speech")
        kept = len(os.listdir(folder))
        monitor = Monitor()
        before = rss_kib(proc.pid)
        t0 = time.monotonic()
        xdo("key", "Return")  # "よむ", the key reached at start
        heard = monitor.first_after(t0, timeout=10)
        log(f"text of {count} characters loaded: {before / 1024:.1f} MiB resident; "
            + (f"first sound after {1000 * (heard - t0):.0f} ms" if heard else "no sound heard"))
        series = []
        while time.monotonic() - t0 < args.seconds:
            time.sleep(2.0)
            series.append((time.monotonic() - t0, rss_kib(proc.pid)))
        monitor.stop()
        still = monitor.last_after(time.monotonic() - 3)
        for t, kib in series[4::5]:
            log(f"  {t:5.0f} s: {kib / 1024:7.1f} MiB")
        (t1, k1), (t2, k2) = series[len(series) // 3], series[-1]
        log(f"resident: {before / 1024:.1f} MiB before, {series[-1][1] / 1024:.1f} MiB after {series[-1][0]:.0f} s "
            f"(+{(series[-1][1] - before) / 1024:.1f}); {(k2 - k1) / 1024 / (t2 - t1):.2f} MiB/s over the last two "
            f"thirds; {'still speaking' if still else 'silent'} at the end; {len(os.listdir(folder)) - kept} pieces "
            f"made meanwhile")
        end(proc)
    finally:
        display.stop()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("what", choices=["greeting", "phrases", "read-aloud"])
    p.add_argument("--dist", default=os.path.join(ROOT, "dist"))
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--files", type=int, default=20000)
    p.add_argument("--mib", type=int, default=1100)
    p.add_argument("--chars", type=int, default=200000)
    p.add_argument("--seconds", type=int, default=90)
    args = p.parse_args()
    args.dist = os.path.abspath(args.dist)
    bench = Bench(args)
    try:
        {"greeting": greeting, "phrases": phrases, "read-aloud": read_aloud}[args.what](bench, args)
    finally:
        bench.close()


if __name__ == "__main__":
    main()
