#!/usr/bin/env python3
"""One performance table from the bench programs, each figure beside its
target and beside the naive way measured in the same run.

Runs what a build has already built (nothing is built here):
  bench/speech_bench        announcements warm and cold, new words, stop,
                            read-aloud start, the first start's warm-up,
                            speech memory, start-up to the greeting; Open
                            JTalk inside the program beside the waiting
                            open_jtalk processes of before and the naive way
                            (open_jtalk → WAV → play), and the two ways
                            compared sample for sample;
  bench/writing_bench       kana entry on a 100 000-character text;
  bench/naive_entry_bench   the same entry done the naive way;
  bench/switch_bench        switch press → operation, the automatic scan's
                            steps against their schedule under load, dwell;
and measures the rest itself against the real program and the real sound
server: the naive way of stopping (a WAV file played by paplay, which is
killed) and of greeting at start (open_jtalk to a WAV file, then paplay),
and the idle program's resident memory under an X display (Xvfb) after 10 s.
All sound goes to a PulseAudio server of the run's own with a null sink
(its monitor is what parec records), so that no other test hears it or
adds to it.

Usage: perf_table.py [--build DIR (build)] [--runs 200] [--start-runs 20]
                     [--readme] [--shared-sound] [--log FILE]
--readme writes the table into README.md under "## Performance".
"""

import argparse
import array
import glob
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soak import Display, SoundServer, TITLE, rss_kib, run  # noqa: E402

GREETING = "もじぽっと帳にようこそ"
RATE = 16000
LOUD = 1000  # as the speech bench counts a sample as sound


def log(text):
    print(text, file=sys.stderr, flush=True)


def run_bench(argv, env=None):
    log("$ " + " ".join(argv))
    p = subprocess.run(argv, env=env, capture_output=True, text=True)
    log(p.stdout + p.stderr)
    if p.returncode != 0:
        raise RuntimeError(f"{argv[0]} failed with {p.returncode}")
    return p.stdout


FIGURE = re.compile(r"^\s+(.+?)\s+(-?[\d.]+) ms\s+(-?[\d.]+) ms\s+\((\d+) runs\)")


def parse_speech(out):
    """{family: {label: (median, p95)}}, with "program" for the start figures;
    "warm-up", "memory" and "compared" hold the bench's other lines."""
    figures = {}
    family = None
    for line in out.splitlines():
        m = re.match(r"^(Open JTalk, waiting processes|Open JTalk|eSpeak NG)(?: \(sound buffer (\d+) ms\))?$", line)
        if m:
            family = m.group(1)
            figures.setdefault(family, {})
            if m.group(2):
                figures[family]["buffer"] = int(m.group(2))
            continue
        if line.startswith("program"):
            family = "program"
            figures[family] = {}
            continue
        m = FIGURE.match(line)
        if m and family:
            figures[family][m.group(1)] = (float(m.group(2)), float(m.group(3)))
        m = re.search(r"start-up warm-up of (\d+) texts, \w+ workers?: (\d+) ms", line)
        if m and family:
            figures[family]["warm-up"] = (int(m.group(1)), int(m.group(2)))
        m = re.search(r"speech resident memory .*?: (\d+) KiB before the control, (\d+) KiB after .*?, (\d+) KiB in", line)
        if m and family:
            figures[family]["memory"] = tuple(int(v) for v in m.groups())
        m = re.search(r"the two ways compared: (\d+) texts, (\d+) identical, largest difference of a sample (\d+)", line)
        if m:
            figures.setdefault("Open JTalk", {})["compared"] = tuple(int(v) for v in m.groups())
        m = re.search(r"idle program resident memory: (\d+) KiB \(and (\d+) KiB", line)
        if m:
            figures.setdefault("program", {})["idle"] = (int(m.group(1)), int(m.group(2)))
    return figures


def parse_figures(out):
    """{label: (median, p95)} of a bench that prints one figure a line."""
    return {m.group(1): (float(m.group(2)), float(m.group(3)))
            for m in (FIGURE.match(line) for line in out.splitlines()) if m}


def parse_entry(out, label):
    m = re.search(re.escape(label) + r"\s+first\s+([\d.]+) ms\s+median\s+([\d.]+) ms\s+worst\s+([\d.]+) ms", out)
    if not m:
        raise RuntimeError("no figure for " + label)
    return tuple(float(v) for v in m.groups())


class Monitor:
    """Records the null sink's monitor with parec and notes when each chunk
    that holds sound arrives (monotonic seconds)."""

    def __init__(self):
        self.proc = subprocess.Popen(["parec", "-d", "mojipot_null.monitor", "--format=s16le", f"--rate={RATE}",
                                      "--channels=1", "--latency-msec=5"], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        self.loud = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        time.sleep(0.3)

    def _read(self):
        while True:
            data = self.proc.stdout.read1(4096) if hasattr(self.proc.stdout, "read1") else self.proc.stdout.read(320)
            if not data:
                return
            now = time.monotonic()
            samples = array.array("h", data[: len(data) // 2 * 2])
            if any(abs(v) > LOUD for v in samples):
                with self.lock:
                    self.loud.append(now)

    def first_after(self, t0, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with self.lock:
                later = [t for t in self.loud if t >= t0]
            if later:
                return later[0]
            time.sleep(0.002)
        return None

    def last_after(self, t0):
        with self.lock:
            later = [t for t in self.loud if t >= t0]
        return later[-1] if later else None

    def stop(self):
        self.proc.kill()
        self.proc.wait(5)


def open_jtalk_wav(text, path):
    voice = sorted(glob.glob("/usr/share/hts-voice/**/*.htsvoice", recursive=True))[0]
    subprocess.run(["open_jtalk", "-x", "/var/lib/mecab/dic/open-jtalk/naist-jdic", "-m", voice, "-ow", path],
                   input=(text + "\n").encode(), check=True, capture_output=True)


def median_p95(values):
    v = sorted(values)
    if not v:
        return None
    return statistics.median(v), v[min(len(v) - 1, int(0.95 * (len(v) - 1) + 0.5))]


def naive_stop(runs, folder):
    """paplay plays a WAV file as it is; stopping kills it. From the kill to
    the last sound on the monitor."""
    wav = os.path.join(folder, "stop.wav")
    open_jtalk_wav("きょうは、あさからとてもよいてんきでした。", wav)
    monitor = Monitor()
    times = []
    try:
        for _ in range(runs):
            t = time.monotonic()
            p = subprocess.Popen(["paplay", wav])
            if monitor.first_after(t) is None:
                p.kill()
                p.wait()
                continue
            time.sleep(0.12)  # speaking now
            t0 = time.monotonic()
            p.kill()
            p.wait()
            time.sleep(0.6)
            last = monitor.last_after(t0)
            times.append(1000 * (last - t0) if last else 0.0)
    finally:
        monitor.stop()
    return median_p95(times)


def naive_greeting(runs, folder):
    """From the start to the first sound of the greeting when it is
    synthesised to a WAV file by open_jtalk and played by paplay; a program
    doing this would still have its window to show."""
    monitor = Monitor()
    times = []
    try:
        for i in range(runs):
            wav = os.path.join(folder, f"greeting{i}.wav")
            t0 = time.monotonic()
            open_jtalk_wav(GREETING, wav)
            p = subprocess.Popen(["paplay", wav])
            first = monitor.first_after(t0)
            p.wait()
            if first:
                times.append(1000 * (first - t0))
            time.sleep(0.3)
    finally:
        monitor.stop()
    return median_p95(times)


def children_rss(pid):
    out = run("ps", "--ppid", str(pid), "-o", "rss=").stdout
    return sum(int(v) for v in out.split())


def idle_memory(program, folder):
    """The program under Xvfb, started twice (the first fills the cache):
    resident memory of the program and of its open_jtalk processes 10 s after
    its window appeared, on the warm start."""
    display = Display()
    env = dict(os.environ, DISPLAY=display.name, XDG_CACHE_HOME=os.path.join(folder, "cache"))
    env.pop("QT_QPA_PLATFORM", None)
    result = None
    try:
        for attempt in range(2):
            cwd = tempfile.mkdtemp(dir=folder)
            shutil.copy(program, os.path.join(cwd, "mojipot"))
            p = subprocess.Popen([os.path.join(cwd, "mojipot")], cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline:
                r = run("xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$", env=env)
                if r.returncode == 0 and r.stdout.strip():
                    break
                time.sleep(0.1)
            time.sleep(10)
            result = (rss_kib(p.pid), children_rss(p.pid))
            p.kill()
            p.wait()
    finally:
        display.stop()
    return result


def ms(pair):
    return "—" if pair is None else f"{pair[0]:.1f} / {pair[1]:.1f} ms"


def figure(family, *labels):
    """The first of the labels the bench printed (its wording may change)."""
    for label in labels:
        for key, value in family.items():
            if key.startswith(label):
                return value
    return None


def table(speech, entry, naive_entry, stop, greeting, idle, load, switch=None):
    oj = speech.get("Open JTalk", {})
    before = speech.get("Open JTalk, waiting processes", {})
    es = speech.get("eSpeak NG", {})
    prog = speech.get("program", {})
    naive = figure(oj, "naive: open_jtalk → WAV → play as it is (1–3", "naive: open_jtalk")
    naive_words = figure(oj, "naive: open_jtalk → WAV → play as it is (6–10")
    rows = []

    def row(what, target, measured, naive_way, ok):
        met = "—" if ok is None else ("yes" if ok else "**no**")
        rows.append(f"| {what} | {target} | {measured} | {naive_way} | {met} |")

    def ratio(f, base):
        return f" (× {base[0] / f[0]:.1f})" if f and base and f[0] > 0 else ""

    def beside(label, naive_figure):
        return (f"waiting open_jtalk processes (before): {ms(figure(before, label))}; "
                f"open_jtalk → WAV → play: {ms(naive_figure)}")

    warm = figure(oj, "announcement, warm")
    cold = figure(oj, "announcement, cold")
    words = figure(oj, "new word of 6–10 kana")
    row("Announcement, warm (Open JTalk)", "≤ 10 ms median, ≤ 20 ms p95; ≥ 20 × faster than naive",
        ms(warm) + ratio(warm, naive), beside("announcement, warm", naive),
        None if not (warm and naive) else warm[0] <= 10 and warm[1] <= 20 and naive[0] >= 20 * warm[0])
    row("New text of 1–3 kana → first sound (Open JTalk)", "≤ 40 ms median, ≤ 60 ms p95; ≥ 4 × faster than naive",
        ms(cold) + ratio(cold, naive), beside("announcement, cold", naive),
        None if not (cold and naive) else cold[0] <= 40 and cold[1] <= 60 and naive[0] >= 4 * cold[0])
    row("New word of 6–10 kana → first sound (Open JTalk)", "≤ 60 ms median", ms(words) + ratio(words, naive_words),
        beside("new word of 6–10 kana", naive_words), None if not words else words[0] <= 60)
    ew = figure(es, "announcement, warm")
    ec = figure(es, "announcement, cold")
    if ew or ec:
        row("Announcement, warm; cold (eSpeak NG)", "≤ 10 ms median, ≤ 20 ms p95; ≤ 80 ms median",
            ms(ew) + "; " + ms(ec), "—", None if not (ew and ec) else ew[0] <= 10 and ew[1] <= 20 and ec[0] <= 80)
    first = oj.get("warm-up")
    first_before = before.get("warm-up")
    if first:
        row(f"First start: all {first[0]} key names, kana and group names warm (Open JTalk, empty cache, "
            "from the speech control's creation)", "≤ 2.5 s", f"{first[1] / 1000:.2f} s",
            f"waiting open_jtalk processes (before): {first_before[1] / 1000:.2f} s" if first_before else "—",
            first[1] <= 2500)
    compared = oj.get("compared")
    if compared:
        row("Open JTalk inside the program against open_jtalk: the key names and 50 other texts, same cut",
            "the same samples", f"{compared[1]} of {compared[0]} identical; largest difference of a sample "
            f"{compared[2]}", "—", compared[1] == compared[0])
    memory = oj.get("memory")
    memory_before = before.get("memory")
    if memory and memory_before:
        row("Speech memory after the warm-up (the control alone, speech cache included)", "none set",
            f"+{(memory[1] - memory[0]) / 1024:.1f} MiB in the program, {memory[2] / 1024:.1f} MiB in the waiting "
            "open_jtalk process",
            f"before: +{(memory_before[1] - memory_before[0]) / 1024:.1f} MiB, {memory_before[2] / 1024:.1f} MiB "
            "in the waiting open_jtalk processes", None)
    heard = figure(oj, "StopSpeaking → last sound")
    dropped = figure(oj, "StopSpeaking → output silenced", "StopSpeaking → queue dropped")
    buffer = oj.get("buffer")
    row("Stop to silence (Open JTalk): StopSpeaking → last sound on the sink's monitor",
        f"≤ one audio period (buffer {buffer} ms)", ms(heard) + (f" (queue dropped: {ms(dropped)})" if dropped else ""),
        "paplay killed → last sound on the monitor: " + ms(stop),
        None if not (heard and buffer) else heard[0] <= buffer)
    reading = figure(oj, "reading aloud")
    row("Read-aloud start, 100 characters → first sound (Open JTalk)", "≤ 200 ms", ms(reading),
        "the whole text in one piece: " + ms(figure(oj, "the 100 characters in one piece")),
        None if not reading else reading[0] <= 200)
    pc = figure(prog, "program start → greeting heard, cold")
    pw = figure(prog, "program start → greeting heard, warm")
    row("Start-up → greeting heard, cold cache", "≤ 1000 ms", ms(pc),
        "open_jtalk → WAV → paplay of the greeting, no window: " + ms(greeting), None if not pc else pc[0] <= 1000)
    row("Start-up → greeting heard, warm cache", "≤ 400 ms", ms(pw), "the same: " + ms(greeting),
        None if not pw else pw[0] <= 400)
    row("Kana entry at the end of 100 000 characters (lines of 40)", "≤ 16 ms (one frame)",
        f"{entry[1]:.2f} / {entry[2]:.2f} ms (first after loading {entry[0]:.2f} ms)",
        f"whole text set again: {naive_entry[1]:.2f} / {naive_entry[2]:.2f} ms", entry[2] <= 16)
    if switch:
        press = figure(switch, "switch press → operation started, quiet")
        loaded = figure(switch, "switch press → operation started, under load")
        step = figure(switch, "scan step")
        timer = figure(switch, "  of which the step timer", "of which the step timer")
        dwell = figure(switch, "dwell press")
        row("Switch press → the selected key's operation started (from the window system's event)",
            "≤ 16 ms median and p95", f"{press[0]:.3f} / {press[1]:.3f} ms; with 2 busy processes "
            f"{loaded[0]:.3f} / {loaded[1]:.3f} ms" if press and loaded else "—", "—",
            None if not press else press[1] <= 16)
        row("Automatic scan step − (announcement's last sound + interval), 2 busy processes on 2 cores",
            "≤ 20 ms p95", ms(step) + (f" (the step timer alone: {ms(timer)})" if timer else ""), "—",
            None if not step else step[1] <= 20)
        row("Dwell press − set dwell time (800 ms)", "none set", ms(dwell), "—", None)
    if idle:
        bench_idle = prog.get("idle")
        row("Idle memory, 10 s after start (warm cache, under Xvfb)", "none set",
            f"{idle[0] / 1024:.1f} MiB + {idle[1] / 1024:.1f} MiB in the waiting open_jtalk process"
            + (f" (offscreen, speech bench: {bench_idle[0] / 1024:.1f} + {bench_idle[1] / 1024:.1f} MiB)"
               if bench_idle else ""), "—", None)
    head = ["| Measure | Target | Measured: median / p95 (entry: median / worst) | The naive way, same run | Met |",
            "|---|---|---|---|---|"]
    return "\n".join(head + rows) + f"\n\nLoad average during the run: {load}."


def load_average():
    with open("/proc/loadavg") as f:
        return f.read().split()[0]


def write_readme(text):
    path = os.path.join(ROOT, "README.md")
    with open(path, encoding="utf-8") as f:
        readme = f.read()
    m = re.search(r"^## Performance\n", readme, re.M)
    if not m:
        readme = readme.rstrip("\n") + (
            "\n\n## Performance\n\n"
            "`python3 bench/perf_table.py --build build` runs the bench programs of a build and measures the rest\n"
            "against the real program; each figure stands beside its target and beside the naive way measured in\n"
            "the same run.\n\n" + text + "\n")
    else:
        start = m.end()
        nxt = re.search(r"^## ", readme[start:], re.M)
        end = start + nxt.start() if nxt else len(readme)
        section = readme[start:end]
        t = re.search(r"^\|.*\|\n(?:\|.*\|\n?)+(?:\nLoad average during the run: .*\n)?", section, re.M)
        if t:
            section = section[:t.start()] + text + "\n" + section[t.end():]
        else:
            section = section.rstrip("\n") + "\n\n" + text + "\n\n"
        readme = readme[:start] + section + readme[end:]
    with open(path, "w", encoding="utf-8") as f:
        f.write(readme)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--runs", type=int, default=200)
    p.add_argument("--start-runs", type=int, default=20)
    p.add_argument("--readme", action="store_true")
    p.add_argument("--shared-sound", action="store_true")
    p.add_argument("--log")
    a = p.parse_args()
    build = os.path.abspath(a.build)
    folder = tempfile.mkdtemp(prefix="mojipot-perf-")
    sound = None
    try:
        if not a.shared_sound:
            sound = SoundServer(folder)
            os.environ["PULSE_SERVER"] = sound.address
        load_start = load_average()
        speech_out = run_bench([os.path.join(build, "bench", "speech_bench"), str(a.runs), str(a.start_runs)])
        speech = parse_speech(speech_out)
        entry_out = run_bench([os.path.join(build, "bench", "writing_bench"), "100000", "40"])
        entry = parse_entry(entry_out, "kana at the end")
        naive_out = run_bench([os.path.join(build, "bench", "naive_entry_bench"), "100000", "40", "20"])
        naive_entry = parse_entry(naive_out, "kana, whole text set again")
        switch_out = run_bench([os.path.join(build, "bench", "switch_bench"), str(min(a.runs, 120)), "2"])
        switch = parse_figures(switch_out)
        log("naive stop (paplay killed)")
        stop = naive_stop(min(a.runs, 50), folder)
        log(f"  {ms(stop)}\nnaive greeting (open_jtalk → WAV → paplay)")
        greeting = naive_greeting(min(a.start_runs, 20), folder)
        log(f"  {ms(greeting)}\nidle memory under Xvfb")
        idle = idle_memory(os.path.join(build, "mojipot"), folder)
        log(f"  {idle}")
        text = table(speech, entry, naive_entry, stop, greeting, idle, f"{load_start} at the start, "
                     f"{load_average()} at the end, on {os.cpu_count()} cores", switch)
        if a.log:
            with open(a.log, "w") as f:
                f.write(speech_out + entry_out + naive_out + switch_out)
        print(text)
        if a.readme:
            write_readme(text)
    finally:
        if sound:
            sound.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
