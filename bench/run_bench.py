#!/usr/bin/env python3
"""Quorvel's benchmark: builds what it needs, runs quorvel.exe under Wine on a virtual display
beside reference programs of ours, and prints tables of figures with each goal's verdict.

    bench/run.sh [--quick] [--only SECTION,...] [--fuzz-seconds N]

Sections, in the order they run: size, startup, clicks, scale, idle, fuzz. --quick shrinks
every count and time to try the script (its figures are not the benchmark's). The tables go to
standard output and to build/bench/results.txt, the raw figures to build/bench/results.json;
progress goes to standard error.

Everything runs in one WineSession (tests/e2e/wine_session.py) on a display from :80-:89, and
every process is ended by its pid when the run ends, also on a failure or Ctrl+C.
"""

import argparse
import datetime
import json
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "bench"
MAIN_BUILD = BUILD / "main"
TOOLS_BUILD = BUILD / "tools"
FUZZ_BUILD = BUILD / "fuzz"
FUZZ_SOURCE = ROOT / "tests" / "fuzz" / "ValueConversionsFuzz.cpp"
FUZZ_SEEDS = ROOT / "tests" / "fuzz" / "corpus" / "value_conversions"

os.environ["QUORVEL_BUILD_DIR"] = str(MAIN_BUILD)
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from quorvel_app import (  # noqa: E402
    CTRL_Q, CTRL_S, F6, HELP_BUTTON, HELP_TITLE, INTERVAL_EDIT, MAIN_TITLE, POINT_LIST, Quorvel, child,
)
from wine_session import (  # noqa: E402
    SCREEN, ClickRecord, HarnessError, WaitTimeout, WineSession, wait_until, windows_path,
)

SECTIONS = ("size", "startup", "clicks", "scale", "idle", "fuzz")
BARE_TITLE = "Quorvel bench bare window"
FLOOR_TITLE = "Quorvel bench list view floor"
PLAIN_TITLE = "Quorvel bench plain main window"
WM_CLOSE = 0x0010
WM_APP = 0x8000
BM_CLICK = 0x00F5
HOTKEY_START, HOTKEY_STOP, HOTKEY_F6 = 1, 2, 3

# The click target covers this rectangle; every click of the benchmark lands on CLICK_POINT.
TARGET_RECT = (20, 20, 300, 200)
CLICK_POINT = (100, 100)
SIZE_GOAL_BYTES = 150 * 1024
STARTUP_GOAL_RATIO = 1.15
# Idle CPU is "beyond noise" past the bare window's figure plus this much over the window.
IDLE_CPU_MARGIN_MS = 20.0
IDLE_WAKEUP_MARGIN = 30

STARTED = time.monotonic()


def progress(text):
    print(f"[{time.monotonic() - STARTED:6.1f} s] {text}", file=sys.stderr, flush=True)


class Settings:
    """Counts and times of one run; --quick makes them small."""

    def __init__(self, quick, fuzz_seconds):
        self.startup_rounds = 4 if quick else 30
        # (interval ms, ticks): at least 1,000 ticks at 10 ms; the 1000 ms run is kept short.
        self.click_runs = [(10, 100), (50, 20), (100, 10), (1000, 3)] if quick else \
            [(10, 1000), (50, 200), (100, 100), (1000, 20)]
        self.rows = 1000 if quick else 10000
        self.batch = 100 if quick else 1000
        self.scale_ticks = 100 if quick else 1000
        self.idle_seconds = 5 if quick else 30
        self.fuzz_seconds = fuzz_seconds if fuzz_seconds is not None else (10 if quick else 60)


# ----- running commands ---------------------------------------------------------------------

def run(argv, what, timeout, cwd=None, env=None):
    """Runs a Linux command to its end, its output into a file (never a pipe Wine could hold)."""
    with tempfile.TemporaryFile() as out:
        proc = subprocess.Popen([str(a) for a in argv], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.STDOUT)
        try:
            code = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"timed out after {timeout} s waiting for {what}") from None
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        out.seek(0)
        text = out.read().decode(errors="replace")
    if code != 0:
        raise HarnessError(f"{what} failed with exit code {code}:\n{text[-3000:]}")
    return text


def build(sections):
    progress("building quorvel.exe, the harness tools and the benchmark's programs")
    toolchain = ROOT / "cmake" / "mingw-i686.cmake"
    for source, binary in ((ROOT, MAIN_BUILD), (ROOT / "bench", TOOLS_BUILD)):
        if not (binary / "CMakeCache.txt").exists():
            run(["cmake", "-S", source, "-B", binary, f"-DCMAKE_TOOLCHAIN_FILE={toolchain}",
                 "-DCMAKE_BUILD_TYPE=MinSizeRel"], f"configuring {binary}", 300)
    run(["cmake", "--build", MAIN_BUILD, "-j", "2", "--target", "quorvel", "inspector", "click_target"],
        "building quorvel.exe, inspector.exe and click_target.exe", 900)
    run(["cmake", "--build", TOOLS_BUILD, "-j", "2"], "building the benchmark's programs", 600)
    if "fuzz" in sections and FUZZ_SOURCE.exists():
        FUZZ_BUILD.mkdir(parents=True, exist_ok=True)
        clang = shutil.which("clang++-14") or shutil.which("clang++")
        if clang is None:
            raise HarnessError("no clang++ for the fuzz run")
        # The flags of tests/fuzz/CMakeLists.txt, so the run fuzzes what ctest's short run does.
        run([clang, "-std=c++20", "-g", "-O1", "-fsanitize=fuzzer,address,undefined", "-fno-sanitize-recover=all",
             "-fno-omit-frame-pointer", f"-I{ROOT}", FUZZ_SOURCE, ROOT / "toolkit" / "ValueConversions.cpp",
             "-o", FUZZ_BUILD / "value_conversions_fuzz"], "building the textToInt fuzz target", 300)


def tool(name):
    return TOOLS_BUILD / f"{name}.exe"


def quorvel_exe():
    return MAIN_BUILD / "quorvel.exe"


# ----- figures --------------------------------------------------------------------------------

def percentile(values, fraction):
    """Linear interpolation between the closest ranks."""
    ordered = sorted(values)
    if not ordered:
        return float("nan")
    at = (len(ordered) - 1) * fraction
    low = int(at)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (at - low)


def task_cpu(pid):
    """(CPU ms, times scheduled) of all threads of a Linux process, from /proc/PID/task/*/schedstat.

    schedstat counts nanoseconds, where /proc/PID/stat counts 10 ms clock ticks; the second
    figure is how often a thread was put on a CPU, a count of its wake-ups.
    """
    ns = 0
    slices = 0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            fields = (task / "schedstat").read_text().split()
        except (FileNotFoundError, ProcessLookupError):
            continue  # a thread that ended between the listing and the read
        ns += int(fields[0])
        slices += int(fields[2])
    return ns / 1e6, slices


class CpuMeter:
    """CPU ms and wake-ups of some processes between start() and stop()."""

    def __init__(self, pids):
        self.pids = dict(pids)
        self.before = None

    def start(self):
        self.before = {name: task_cpu(pid) for name, pid in self.pids.items()}
        return self

    def stop(self):
        after = {name: task_cpu(pid) for name, pid in self.pids.items()}
        return {name: {"cpuMs": after[name][0] - self.before[name][0],
                       "wakeups": after[name][1] - self.before[name][1]} for name in self.pids}


class MachineLoad:
    """How busy the machine was outside this benchmark between start() and stop(), in % of all cores.

    Other work on the machine (other sessions' builds and tests) is the main noise of these figures;
    each table shows it. The benchmark's own CPU is that of this script and its reaped children,
    of Xvfb, and of every live process of its Wine prefix (found by WINEPREFIX in its environment).
    """

    def __init__(self, wine):
        self.needle = f"WINEPREFIX={wine.prefix}\0".encode()
        self.xvfb = wine.pids()[0]
        self.before = None

    @staticmethod
    def _machine_busy_ms():
        fields = [int(v) for v in Path("/proc/stat").read_text().split("\n", 1)[0].split()[1:]]
        user, nice, system, idle, iowait, irq, softirq, steal = fields[:8]
        return (user + nice + system + irq + softirq + steal) * 1000 / os.sysconf("SC_CLK_TCK")

    def _ours_ms(self):
        me = os.times()
        total = (me.user + me.system + me.children_user + me.children_system) * 1000
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit() or int(entry.name) == os.getpid():
                continue
            try:
                if int(entry.name) == self.xvfb or self.needle in (entry / "environ").read_bytes():
                    total += task_cpu(int(entry.name))[0]
            except OSError:
                continue  # ended meanwhile
        return total

    def start(self):
        self.before = (time.monotonic(), self._machine_busy_ms(), self._ours_ms())
        return self

    def stop(self):
        wall = (time.monotonic() - self.before[0]) * 1000 * os.cpu_count()
        busy = self._machine_busy_ms() - self.before[1]
        ours = self._ours_ms() - self.before[2]
        return {"otherPercent": max(0.0, busy - ours) * 100 / wall, "oursPercent": ours * 100 / wall}


def fmt(value, digits=1, unit=""):
    if value is None:
        return "-"
    if isinstance(value, float) and value != value:
        return "n/a"
    text = f"{value:,.{digits}f}" if isinstance(value, float) else f"{value:,}"
    return f"{text}{unit}"


def table(headers, rows):
    """Fixed-width text table."""
    widths = [max(len(str(h)), *(len(str(r[i])) for r in rows)) if rows else len(str(h))
              for i, h in enumerate(headers)]
    line = lambda cells: "  ".join(str(c).ljust(w) for c, w in zip(cells, widths)).rstrip()
    return "\n".join([line(headers), line(["-" * w for w in widths]), *(line(r) for r in rows)])


class Report:
    """The printed tables, the goal verdicts and the raw figures."""

    def __init__(self):
        self.sections = []
        self.goals = []
        self.raw = {}

    def add(self, title, text, note=None):
        self.sections.append((title, text, note))

    def goal(self, name, measured, goal, met, why=""):
        self.goals.append((name, measured, goal, "met" if met is True else ("MISSED" if met is False else met), why))

    def text(self, header):
        parts = [header]
        for title, body, note in self.sections:
            parts.append(f"\n== {title} ==\n{body}")
            if note:
                parts.append(note)
        parts.append("\n== Goals ==\n" + table(["goal", "measured", "target", "verdict", "why"],
                                               [list(g) for g in self.goals]))
        return "\n".join(parts) + "\n"


def machine_header():
    cpu = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                if line.startswith("model name")), platform.processor())
    memory_kib = int(next(line.split()[1] for line in Path("/proc/meminfo").read_text().splitlines()
                          if line.startswith("MemTotal")))
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=30).stdout.strip()
    load = Path("/proc/loadavg").read_text().split()[:3]
    return (f"Quorvel benchmark, {datetime.datetime.now().astimezone():%Y-%m-%d %H:%M %Z}\n"
            f"machine: {cpu}, {os.cpu_count()} cores, {memory_kib / 1048576:.1f} GiB, Linux {platform.release()}, "
            f"{wine}\n"
            f"load average at the start: {' '.join(load)}")


# ----- size -----------------------------------------------------------------------------------

def measure_size(wine, report):
    exe = quorvel_exe()
    size = exe.stat().st_size
    dump = run(["i686-w64-mingw32-objdump", "-p", exe], "objdump -p quorvel.exe", 60,
               env=dict(os.environ, LC_ALL="C"))
    imports = {}
    current = None
    for line in dump.splitlines():
        found = re.match(r"\s*DLL Name: (\S+)", line)
        if found:
            current = found.group(1)
            imports[current] = 0
        elif current and re.match(r"\s+[0-9a-f]+\s+\d+\s+\S+", line):
            imports[current] += 1
        elif not line.strip():
            current = None
    # A system DLL is one Windows itself ships, so Wine's prefix has it in system32.
    system32 = {p.name.lower() for p in (wine.prefix / "drive_c" / "windows" / "system32").iterdir()}
    foreign = [name for name in imports if name.lower() not in system32]
    rows = [["quorvel.exe bytes", fmt(size), f"{size / 1024:.1f} KiB"]]
    rows += [[f"imports {name}", f"{count} functions", "system" if name not in foreign else "NOT SYSTEM"]
             for name, count in imports.items()]
    report.add("Size (objdump -p, LC_ALL=C)", table(["what", "figure", "note"], rows))
    report.goal("exe size", f"{size / 1024:.1f} KiB", "< 150 KiB", size < SIZE_GOAL_BYTES)
    report.goal("imports", f"{len(imports)} DLLs: {', '.join(imports)}", "system DLLs only", not foreign,
                f"not in system32: {', '.join(foreign)}" if foreign else "")
    report.raw["size"] = {"bytes": size, "imports": imports, "foreign": foreign}


# ----- start-up -------------------------------------------------------------------------------

STARTUP_APPS = [
    # name (one word: bench_probe's lines are split at spaces), exe, title, list view id, what it is
    ("bare", lambda: tool("bare_window"), BARE_TITLE, 0, "bare window (bench/bare_window.cpp)"),
    ("bare+libs", lambda: tool("bare_window_libs_v6"), BARE_TITLE, 0,
     "+ quorvel's DLLs, common controls 6 manifest, InitCommonControlsEx, CoInitializeEx"),
    ("list-view", lambda: tool("listview_floor"), FLOOR_TITLE, 0,
     "a window with the main window's list view only (listview_floor.exe; comctl32 6, no COM)"),
    ("plain-main", lambda: tool("plain_main_window"), PLAIN_TITLE, 0,
     "the whole main window in plain Win32, quorvel's resources (plain_main_window.exe)"),
    ("quorvel", quorvel_exe, MAIN_TITLE, POINT_LIST, "quorvel.exe"),
]


def measure_startup(wine, settings, report):
    progress(f"start-up: 1 warm-up round and {settings.startup_rounds} rounds of {len(STARTUP_APPS)} programs")
    out = wine.tmp / "out" / "startup.txt"
    args = ["startup", "--out", windows_path(out), "--rounds", settings.startup_rounds + 1]
    for name, exe, title, list_id, _ in STARTUP_APPS:
        args += ["--app", name, windows_path(exe()), title, list_id]
    load = MachineLoad(wine).start()
    probe = wine.launch(tool("bench_probe"), *args)
    try:
        code = probe.wait(60 + settings.startup_rounds * 20)
    except WaitTimeout:
        probe.kill()
        raise WaitTimeout("timed out waiting for bench_probe's start-up rounds") from None
    load = load.stop()
    text = out.read_text() if out.exists() else ""
    if code != 0:
        raise HarnessError(f"bench_probe startup failed ({code}): {text[-500:]}")
    samples = {name: [] for name, *_ in STARTUP_APPS}
    for line in text.splitlines():
        name, round_, visible, ready, row, exit_code = line.split()
        if int(round_) == 0:
            continue  # the warm-up round: first loads of the DLLs into the page cache
        if int(exit_code) != 0:
            raise HarnessError(f"{name} ended with {exit_code} in start-up round {round_}")
        samples[name].append({"visible": float(visible), "ready": float(ready), "row": float(row)})

    def med(name, key):
        return statistics.median(s[key] for s in samples[name])

    def iqr(name, key):
        values = [s[key] for s in samples[name]]
        return percentile(values, 0.75) - percentile(values, 0.25)

    bare_ready = med("bare", "ready")
    rows = []
    for name, _, _, list_id, what in STARTUP_APPS:
        ready = med(name, "ready")
        rows.append([name, len(samples[name]), fmt(med(name, "visible")), fmt(ready), fmt(iqr(name, "ready")),
                     fmt(min(s["ready"] for s in samples[name])), f"{ready / bare_ready:.2f}",
                     fmt(med(name, "row")) if list_id else "-", what])
    # The ratio of each round's pair as well: it cancels slow phases of the machine.
    paired = statistics.median(q["ready"] / b["ready"] for q, b in zip(samples["quorvel"], samples["bare"]))
    ratio = med("quorvel", "ready") / bare_ready
    fastest = min(s["ready"] for s in samples["quorvel"]) / min(s["ready"] for s in samples["bare"])
    note = (f"ms from CreateProcessW (inside Wine) to: visible = the window is visible; ready = a sent WM_NULL is "
            f"answered (its message loop runs); row = a posted F6 WM_HOTKEY has made a row.\n"
            f"Medians of {settings.startup_rounds} rounds after one warm-up round, programs alternating in order; "
            f"IQR = interquartile range of 'ready' (the noise); min = the fastest 'ready'. quorvel/bare: "
            f"{ratio:.2f} by medians, {paired:.2f} as the median of each round's ratio, {fastest:.2f} by the fastest "
            f"runs. Other load on the machine meanwhile: {load['otherPercent']:.0f}% of its cores.")
    report.add("Start-up", table(["program", "runs", "visible ms", "ready ms", "IQR ms", "min ms", "x bare", "row ms",
                                  "what"], rows), note)
    report.goal("start-up, ready vs bare window", f"{ratio:.2f}x ({fmt(med('quorvel', 'ready'))} vs "
                f"{fmt(bare_ready)} ms)", f"<= {STARTUP_GOAL_RATIO}x", ratio <= STARTUP_GOAL_RATIO,
                "by medians: " + ", ".join(f"{name} {med(name, 'ready') / bare_ready:.2f}x" for name, *_ in
                                           STARTUP_APPS[1:-1]) + f"; by the fastest runs quorvel {fastest:.2f}x"
                if ratio > STARTUP_GOAL_RATIO else "")
    own = ratio / (med("plain-main", "ready") / bare_ready)
    report.goal("start-up vs the same window in plain Win32", f"{own:.2f}x ({fmt(med('quorvel', 'ready'))} vs "
                f"{fmt(med('plain-main', 'ready'))} ms)", "what the program's toolkit adds", "info")
    report.raw["startup"] = {"samples": samples, "load": load}


# ----- clicks ---------------------------------------------------------------------------------

def click_figures(records, interval, point):
    """Figures of one run from the click target's records."""
    downs = [r for r in records if r.action == "down"]
    ups = [r for r in records if r.action == "up"]
    wrong = sum(1 for r in records if r.button != "left" or (r.x, r.y) != point or r.action == "dbl")
    times = [r.t for r in downs]
    periods = [b - a for a, b in zip(times, times[1:])]
    deviations = [abs(p - interval) for p in periods]
    n = len(downs)
    expected = round((times[-1] - times[0]) / interval) + 1 if n else 0
    return {
        "interval": interval,
        "clicks": n,
        "ups": len(ups),
        "wrong": wrong,
        "expected": expected,
        "lost": max(0, expected - n),
        "extra": max(0, n - expected),
        "medianPeriod": statistics.median(periods) if periods else float("nan"),
        "p95Deviation": percentile(deviations, 0.95),
        "maxDeviation": max(deviations) if deviations else float("nan"),
        "drift": times[-1] - (times[0] + (n - 1) * interval) if n else float("nan"),
        "periods": periods,
    }


class ClickLog:
    """The click target's records, read on from where the last look stopped.

    ClickTarget.records() parses the whole log at each look; polling that every few ms during a run
    would take a good part of a core from the programs being timed.
    """

    def __init__(self, target):
        self.path = target.log_path
        self.offset = 0
        self.rest = b""
        self.records = []
        self.downs = []  # index in records of each "down"

    def update(self):
        with open(self.path, "rb") as log:
            log.seek(self.offset)
            data = log.read()
        self.offset += len(data)
        lines = (self.rest + data).split(b"\n")
        self.rest = lines.pop()  # a line still being written
        for line in lines:
            fields = line.decode().split()
            if len(fields) == 6 and fields[0] != "ready":
                button, action, x, y, t, msg_time = fields
                if action == "down":
                    self.downs.append(len(self.records))
                self.records.append(ClickRecord(button, action, int(x), int(y), float(t), int(msg_time)))
        return self

    def count(self):
        return len(self.update().records)

    def downs_since(self, before):
        self.update()
        return sum(1 for i in self.downs if i >= before)


def wait_for_downs(log, before, count, timeout, what):
    return wait_until(lambda: log.downs_since(before) >= count, timeout, what, 0.02)


CPU_SEGMENTS = 10


def steady_cpu(log, before, pid, ticks, timeout, what):
    """CPU and wake-ups per click of a clicker: the median over ten stretches of its run.

    The run is cut at every tenth of its clicks from the first click on, the process's CPU read at
    each cut. Starting and stopping the cycle (controls enabled and repainted) are left out, being
    no tick's cost; the median keeps out a stretch where other work on the machine got in the way.
    """
    deadline = time.monotonic() + timeout
    wait_for_downs(log, before, 1, 20, f"the first click of {what}")
    cuts = [(task_cpu(pid), log.downs_since(before))]
    step = max(1, (ticks - 1) // CPU_SEGMENTS)
    while cuts[-1][1] < ticks:
        wait_for_downs(log, before, min(ticks, cuts[-1][1] + step), max(1.0, deadline - time.monotonic()), what)
        cuts.append((task_cpu(pid), log.downs_since(before)))
    stretches = [((b[0][0] - a[0][0]) * 1000 / (b[1] - a[1]), (b[0][1] - a[0][1]) / (b[1] - a[1]))
                 for a, b in zip(cuts, cuts[1:]) if b[1] > a[1]]
    return {"cpuUsPerTick": statistics.median(s[0] for s in stretches),
            "wakeupsPerTick": statistics.median(s[1] for s in stretches)}


def wait_quiet(log, quiet_seconds, timeout=30):
    """Waits until the click target's log has not grown for quiet_seconds; returns its record count."""
    last = log.count()
    since = time.monotonic()
    deadline = since + timeout
    while time.monotonic() - since < quiet_seconds:
        if time.monotonic() > deadline:
            raise WaitTimeout(f"timed out after {timeout} s waiting for the clicks to stop")
        time.sleep(0.05)
        now = log.count()
        if now != last:
            last, since = now, time.monotonic()
    return last


class Clicker:
    """quorvel.exe with its controls' handles read once: a dump of 10,000 rows takes 20 s."""

    def __init__(self, wine):
        self.wine = wine
        self.app = Quorvel.launch(wine)
        window = self.app.dump()
        self.edit = child(window, INTERVAL_EDIT)["hwnd"]
        self.list = child(window, POINT_LIST)["hwnd"]
        self.help = child(window, HELP_BUTTON)["hwnd"]

    @property
    def unix_pid(self):
        return self.app.process.unix_pid

    def run(self, log, interval, ticks):
        """Starts the cycle at an interval, lets it click ticks times, stops it; returns figures."""
        self.wine.inspect("settext", self.edit, str(interval))
        before = wait_quiet(log, 0.3)
        load = MachineLoad(self.wine).start()
        self.app.post_hotkey(HOTKEY_START, CTRL_S)
        cpu = steady_cpu(log, before, self.unix_pid, ticks, ticks * interval / 1000 * 2 + 20,
                         f"{ticks} clicks of quorvel.exe at {interval} ms")
        self.app.post_hotkey(HOTKEY_STOP, CTRL_Q)
        end = wait_quiet(log, max(0.5, 3 * interval / 1000))
        return {**click_figures(log.records[before:end], interval, CLICK_POINT), **cpu, **load.stop()}


def settimer_run(wine, log, interval, ticks, idle_peek=False):
    """The same run by bench/settimer_loop.exe (idle_peek: with a look at the queue before each wait)."""
    own_log = wine.tmp / "logs" / f"settimer-{interval}-{time.monotonic_ns()}.log"
    process = wine.launch(tool("settimer_loop"), "--log", windows_path(own_log), "--interval", interval, "--count",
                          ticks, "--x", CLICK_POINT[0], "--y", CLICK_POINT[1], "--idle-peek", int(idle_peek))
    try:
        def ready():
            if process.poll() is not None:
                raise HarnessError(f"settimer_loop ended with {process.poll()} before it was ready")
            text = own_log.read_text() if own_log.exists() else ""
            found = re.search(r"^ready (\d+)$", text, re.M)
            return int(found.group(1)) if found else None
        hwnd = wait_until(ready, 20, "settimer_loop's ready line")
        before = wait_quiet(log, 0.3)
        load = MachineLoad(wine).start()
        wine.post(hwnd, WM_APP)
        cpu = steady_cpu(log, before, process.unix_pid, ticks, ticks * interval / 1000 * 2 + 20,
                         f"settimer_loop's {ticks} clicks at {interval} ms")
        wait_until(lambda: "done" in own_log.read_text(), 20, f"settimer_loop's done line after {ticks} clicks")
        end = wait_quiet(log, max(0.3, 2 * interval / 1000))
        figures = {**click_figures(log.records[before:end], interval, CLICK_POINT), **cpu, **load.stop()}
        wine.post(hwnd, WM_CLOSE)
        process.wait(15)
        return figures
    finally:
        process.kill()


def click_rows(runs):
    rows = []
    for name, f in runs:
        rows.append([f"{f['interval']} ms", name, fmt(f["clicks"]), fmt(f["expected"]), fmt(f["lost"]),
                     fmt(f["extra"]), fmt(f["wrong"] + abs(f["clicks"] - f["ups"])), fmt(f["medianPeriod"], 2),
                     fmt(f["p95Deviation"], 2), fmt(f["maxDeviation"], 2), fmt(f["drift"], 2),
                     fmt(f["cpuUsPerTick"], 0), fmt(f["wakeupsPerTick"], 2), fmt(f["otherPercent"], 0, "%")])
    return rows


CLICK_HEADERS = ["interval", "clicker", "clicks", "expected", "lost", "extra", "faults", "median period ms",
                 "p95 |dev| ms", "max |dev| ms", "drift ms", "CPU us/tick", "wakeups/tick", "other load"]
CLICK_NOTE = ("Times are the click target's QueryPerformanceCounter at each WM_LBUTTONDOWN (another process). "
              "expected = round((last - first) / interval) + 1; lost/extra = expected - clicks seen, either way; "
              "faults = clicks not a left click at the row's point, and downs without an up; |dev| = |period - "
              "interval|; drift = last - (first + (clicks - 1) x interval). CPU and wake-ups (times put on a CPU) are "
              "the clicker process's own, from the schedstat of all its threads: the median over ten stretches "
              "of the run of each stretch's figure per click, starting and stopping the cycle left out. 'SetTimer loop + peek' is the loop with a "
              "PeekMessageW(PM_NOREMOVE) before each GetMessageW: what one look at the queue per message costs "
              "(quorvel.exe's loop looks only while a closed window waits to be released). other "
              "load = the machine's busy CPU outside this benchmark during the run, in % of its cores.")


def measure_clicks(wine, settings, report, clicker, log):
    runs = []
    for interval, ticks in settings.click_runs:
        progress(f"clicks: {ticks} ticks at {interval} ms, quorvel.exe then settimer_loop.exe")
        runs.append(("quorvel", clicker.run(log, interval, ticks)))
        runs.append(("SetTimer loop", settimer_run(wine, log, interval, ticks)))
        if interval == settings.click_runs[0][0]:
            runs.append(("SetTimer loop + peek", settimer_run(wine, log, interval, ticks, idle_peek=True)))
    short = settings.click_runs[-1]
    report.add("Click timing (1 row)", table(CLICK_HEADERS, click_rows(runs)),
               CLICK_NOTE + f" The {short[0]} ms run is kept short: {short[1]} ticks.")
    first, limit = runs[0][1], runs[1][1]
    report.goal(f"lost/extra clicks at 10 ms over {first['clicks']:,} ticks", f"{first['lost']} lost, "
                f"{first['extra']} extra (SetTimer loop: {limit['lost']} lost, {limit['extra']} extra)",
                "0 and 0 over >= 1,000 ticks",
                first["lost"] == 0 and first["extra"] == 0 and first["clicks"] >= 1000,
                f"other load {first['otherPercent']:.0f}% (loop's run: {limit['otherPercent']:.0f}%); a lost tick "
                f"is a late WM_TIMER, see max |dev|" if first["lost"] or first["extra"] else "")
    for name, f in runs:
        if name == "quorvel":
            reference = next(g for n, g in runs if n == "SetTimer loop" and g["interval"] == f["interval"])
            report.goal(f"period at {f['interval']} ms vs SetTimer loop",
                        f"p95 |dev| {fmt(f['p95Deviation'], 2)} vs {fmt(reference['p95Deviation'], 2)} ms, drift "
                        f"{fmt(f['drift'], 1)} vs {fmt(reference['drift'], 1)} ms", "as the platform's limit",
                        "info")
    peek = next(f for n, f in runs if n == "SetTimer loop + peek")
    added = first["wakeupsPerTick"] - limit["wakeupsPerTick"]
    report.goal("tick cost at 10 ms vs SetTimer loop", f"{fmt(first['cpuUsPerTick'], 0)} vs "
                f"{fmt(limit['cpuUsPerTick'], 0)} us, {fmt(first['wakeupsPerTick'], 2)} vs "
                f"{fmt(limit['wakeupsPerTick'], 2)} wakeups/tick (loop + peek: {fmt(peek['cpuUsPerTick'], 0)} us, "
                f"{fmt(peek['wakeupsPerTick'], 2)})", "what the program adds per tick", "info",
                "the message loop's PeekMessageW before each GetMessageW: a server round trip per message"
                if added > 1 and abs(first["wakeupsPerTick"] - peek["wakeupsPerTick"]) < 0.5 else "")
    report.raw["clicks"] = [{"clicker": n, **f} for n, f in runs]
    return runs[0][1]


# ----- scale ----------------------------------------------------------------------------------

def record_batches(wine, settings, clicker, xvfb_pid, wineserver_pid):
    """Posts F6 hotkeys in batches until the list holds settings.rows rows; figures per batch."""
    out = wine.tmp / "out" / "batches.txt"
    batches = []
    rows = 1
    while rows < settings.rows:
        count = min(settings.batch - rows % settings.batch, settings.rows - rows)
        meter = CpuMeter({"program": clicker.unix_pid, "wineserver": wineserver_pid, "Xvfb": xvfb_pid}).start()
        probe = wine.launch(tool("bench_probe"), "batch", "--out", windows_path(out), clicker.app.hwnd, clicker.list,
                            count, HOTKEY_F6, F6)
        try:
            code = probe.wait(count * 0.2 + 60)
        except WaitTimeout:
            probe.kill()
            raise WaitTimeout(f"timed out waiting for a batch of {count} rows from {rows}") from None
        cpu = meter.stop()
        line = out.read_text().splitlines()[-1]
        if code != 0:
            raise HarnessError(f"bench_probe batch failed ({code}): {line}")
        before, after, posted_ms, done_ms = line.split()
        if int(after) != rows + count or int(before) != rows:
            raise HarnessError(f"a batch of {count} from {rows} rows ended with {after} rows")
        batches.append({"first": rows + 1, "last": rows + count, "count": count, "wallMs": float(done_ms),
                        **{f"{k}CpuMs": v["cpuMs"] for k, v in cpu.items()}})
        rows += count
        progress(f"scale: {rows} rows, {float(done_ms) / count:.2f} ms/row")
    return batches


def floor_batches(wine, settings, report, xvfb_pid, wineserver_pid):
    """bench/listview_floor.exe: the first and the last batch shown, the rows between hidden."""
    log = wine.tmp / "logs" / "floor.log"
    process = wine.launch(tool("listview_floor"), "--log", windows_path(log))
    try:
        def ready():
            if process.poll() is not None:
                raise HarnessError(f"listview_floor ended with {process.poll()} before it was ready")
            found = re.search(r"^ready (\d+)$", log.read_text() if log.exists() else "", re.M)
            return int(found.group(1)) if found else None
        hwnd = wait_until(ready, 20, "listview_floor's ready line")
        memory = report.raw.setdefault("memory", {})
        memory["floorAfterStart"] = wine.process_info(process.windows_pid())
        results = []
        plan = [(settings.batch, 1), (settings.rows - 2 * settings.batch, 0), (settings.batch, 1)]
        for count, shown in plan:
            done_before = log.read_text().count("done ")
            meter = CpuMeter({"program": process.unix_pid, "wineserver": wineserver_pid, "Xvfb": xvfb_pid}).start()
            wine.post(hwnd, WM_APP, count, shown)
            wait_until(lambda: log.read_text().count("done ") > done_before, count * 0.1 + 60,
                       f"listview_floor's {count} rows")
            cpu = meter.stop()
            _, n, ms, total = log.read_text().strip().splitlines()[-1].split()
            results.append({"first": int(total) - int(n) + 1, "last": int(total), "count": int(n), "shown": bool(shown),
                            "wallMs": float(ms), **{f"{k}CpuMs": v["cpuMs"] for k, v in cpu.items()}})
        memory["floorAfterRows"] = wine.process_info(process.windows_pid())
        wine.post(hwnd, WM_CLOSE)
        process.wait(15)
        return results
    finally:
        process.kill()


def per_row(batch, key):
    return batch[key] / batch["count"]


def measure_scale(wine, settings, report, clicker, log, one_row_tick):
    xvfb_pid, wineserver_pid = wine.pids()[:2]
    progress(f"scale: recording {settings.rows} rows in batches of {settings.batch} posted F6 hotkeys")
    load = MachineLoad(wine).start()
    batches = record_batches(wine, settings, clicker, xvfb_pid, wineserver_pid)
    load = load.stop()
    info = wine.process_info(clicker.app.pid)
    report.raw.setdefault("memory", {})["quorvelAfterRows"] = info
    progress("scale: the same rows in bench/listview_floor.exe")
    floor = floor_batches(wine, settings, report, xvfb_pid, wineserver_pid)
    progress(f"scale: {settings.scale_ticks} ticks at 10 ms with {settings.rows} rows")
    many_tick = clicker.run(log, 10, settings.scale_ticks)

    def batch_row(name, b):
        total = per_row(b, "programCpuMs") + per_row(b, "wineserverCpuMs") + per_row(b, "XvfbCpuMs")
        return [name, f"{b['first']:,}-{b['last']:,}", fmt(per_row(b, "wallMs"), 2), fmt(per_row(b, "programCpuMs"), 2),
                fmt(per_row(b, "wineserverCpuMs"), 2), fmt(per_row(b, "XvfbCpuMs"), 2), fmt(total, 2)]

    first, last = batches[0], batches[-1]
    rows = [batch_row("quorvel", first), batch_row("quorvel", last),
            batch_row("list view floor", floor[0]), batch_row("list view floor, hidden", floor[1]),
            batch_row("list view floor", floor[-1])]
    wall = [per_row(b, "wallMs") for b in batches]
    ratio = per_row(last, "wallMs") / per_row(first, "wallMs")
    cpu_ratio = per_row(last, "programCpuMs") / per_row(first, "programCpuMs")
    note = (f"Per row, rows recorded by F6 WM_HOTKEY messages posted in batches (bench_probe batch), timed from "
            f"the first post to the list view holding the batch's rows. 'program CPU' is the clicker's (or the "
            f"floor's) process; wineserver and Xvfb are shared with the other programs of the session (idle).\n"
            f"quorvel ms/row over all {len(batches)} batches: min {min(wall):.2f}, median "
            f"{statistics.median(wall):.2f}, max {max(wall):.2f}; other load on the machine meanwhile "
            f"{load['otherPercent']:.0f}% of its cores. The list view floor is "
            f"bench/listview_floor.exe: the same list view in a window of ours, the same messages per row, timed "
            f"inside it; its rows {floor[1]['first']:,}-{floor[1]['last']:,} are appended while its window is hidden, "
            f"to save time and to show what a shown list costs (the hidden row's CPU includes showing it again).")
    report.add(f"Scale: recording {settings.rows:,} rows", table(
        ["program", "rows", "wall ms/row", "program CPU ms/row", "wineserver ms/row", "Xvfb ms/row",
         "total CPU ms/row"], rows), note)
    report.goal(f"cost per row, last {last['count']:,} vs first {first['count']:,}", f"{ratio:.2f}x wall, {cpu_ratio:.2f}x CPU "
                f"({per_row(last, 'wallMs'):.2f} vs {per_row(first, 'wallMs'):.2f} ms/row)", "flat (about 1x)",
                ratio < 1.25 and cpu_ratio < 1.25)
    floor_ratio = per_row(first, "wallMs") / per_row(floor[0], "wallMs")
    floor_cpu_ratio = per_row(first, "programCpuMs") / per_row(floor[0], "programCpuMs")
    report.goal("cost per row vs the list view floor", f"{floor_ratio:.2f}x wall, {floor_cpu_ratio:.2f}x program CPU of the floor's first "
                f"{floor[0]['count']:,} ({per_row(first, 'wallMs'):.2f} vs {per_row(floor[0], 'wallMs'):.2f} ms/row)",
                "what the program costs", "info",
                "Wine's list view redraws its scroll bars on each insert into a shown list")

    tick_rows = click_rows([("quorvel, 1 row", one_row_tick), (f"quorvel, {settings.rows:,} rows", many_tick)])
    report.add(f"Scale: tick cost with 1 row and {settings.rows:,} rows (10 ms)", table(CLICK_HEADERS, tick_rows),
               f"The same process, before and after the rows were added. The cycle visits rows 1-"
               f"{min(settings.scale_ticks, settings.rows):,} in the {settings.scale_ticks:,} ticks; a row is found "
               f"by index (LVM_GETITEMTEXTW, LVM_GETITEMW), the same for every row.")
    tick_ratio = many_tick["cpuUsPerTick"] / one_row_tick["cpuUsPerTick"]
    report.goal(f"tick cost, {settings.rows:,} rows vs 1 row", f"{tick_ratio:.2f}x CPU/tick "
                f"({fmt(many_tick['cpuUsPerTick'], 0)} vs {fmt(one_row_tick['cpuUsPerTick'], 0)} us); median period "
                f"{fmt(many_tick['medianPeriod'], 2)} vs {fmt(one_row_tick['medianPeriod'], 2)} ms",
                "flat: no growth past 1.25x", tick_ratio <= 1.25,
                "period stability is in the table; lost ticks there follow the other load")
    report.raw["scale"] = {"batches": batches, "floor": floor, "ticks": {"oneRow": one_row_tick, "manyRows": many_tick}}


# ----- idle -----------------------------------------------------------------------------------

def measure_idle(wine, settings, report, clicker):
    progress(f"idle: a bare window and a fresh quorvel.exe beside the used one, {settings.idle_seconds} s twice")
    bare = wine.launch(tool("bare_window"))
    wine.wait_window(process=bare, title=BARE_TITLE)
    fresh = Clicker(wine)
    # Active, with the keyboard focus, as a user leaves it after starting it.
    wine.focus(fresh.app.hwnd)
    time.sleep(3)  # the first paints and the start-up's loose ends
    pids = {"bare window": bare.unix_pid, "quorvel (fresh)": fresh.unix_pid, "quorvel (used)": clicker.unix_pid}
    memory = report.raw.setdefault("memory", {})
    memory["bareAfterStart"] = wine.process_info(bare.windows_pid())
    memory["freshAfterStart"] = wine.process_info(fresh.app.pid)

    meter, load = CpuMeter(pids).start(), MachineLoad(wine).start()
    time.sleep(settings.idle_seconds)
    idle, idle_load = meter.stop(), load.stop()

    progress("idle: opening the help window in the fresh quorvel.exe")
    wine.post(fresh.help, BM_CLICK)
    help_window = wine.wait_window(pid=fresh.app.pid, title=HELP_TITLE, timeout=15)
    help_active = wine.foreground_hwnd() == help_window["hwnd"]
    time.sleep(2)
    meter, load = CpuMeter(pids).start(), MachineLoad(wine).start()
    time.sleep(settings.idle_seconds)
    helping, help_load = meter.stop(), load.stop()

    rows = []
    labels = {"bare window": "idle, not active",
              "quorvel (fresh)": "Idle and active, then help window open"
                                 + (" and active" if help_active else " (not active)"),
              "quorvel (used)": ("stopped after the click runs" if "clicks" in report.raw else "Idle")
                                + (f", {settings.rows:,} rows" if "scale" in report.raw else ", 1 row")}
    for name in pids:
        rows.append([name, labels[name], fmt(idle[name]["cpuMs"], 1), fmt(idle[name]["wakeups"]),
                     fmt(helping[name]["cpuMs"], 1), fmt(helping[name]["wakeups"])])
    s = settings.idle_seconds
    report.add(f"Idle ({s} s, twice, all three at once)", table(
        ["program", "state", f"CPU ms, {s} s idle", "wakeups", f"CPU ms, next {s} s (help open)", "wakeups"], rows),
        "schedstat of all the process's threads; wakeups = times a thread was put on a CPU. In the second period "
        "only the fresh quorvel.exe changes: its help window is open (a modal loop); the others stay as they were, "
        f"as the noise floor. Other load on the machine: {idle_load['otherPercent']:.0f}% and "
        f"{help_load['otherPercent']:.0f}% of its cores.")
    base = idle["bare window"]
    for name, period, figures in (("quorvel (fresh)", "Idle", idle), ("quorvel (used)", "Idle after a run", idle),
                                  ("quorvel (fresh)", "help window open", helping)):
        f = figures[name]
        ref = figures["bare window"]
        met = f["cpuMs"] <= ref["cpuMs"] + IDLE_CPU_MARGIN_MS and f["wakeups"] <= ref["wakeups"] + IDLE_WAKEUP_MARGIN
        report.goal(f"idle CPU, {period} ({name})", f"{fmt(f['cpuMs'], 1)} ms, {f['wakeups']} wakeups in {s} s",
                    f"bare window's {fmt(ref['cpuMs'], 1)} ms, {ref['wakeups']} wakeups (+{IDLE_CPU_MARGIN_MS:g} ms, "
                    f"+{IDLE_WAKEUP_MARGIN})", met)
    report.raw["idle"] = {"idle": idle, "help": helping, "base": base}
    bare.kill()


def memory_table(report, settings):
    memory = report.raw.get("memory", {})
    names = [("quorvelAfterStart", "quorvel.exe after start-up (Idle, 1 row)"),
             ("quorvelAfterRows", f"quorvel.exe after {settings.rows:,} rows"),
             ("freshAfterStart", "quorvel.exe, a second copy, after start-up"),
             ("bareAfterStart", "bare window after start-up"),
             ("floorAfterStart", "list view floor after start-up"),
             ("floorAfterRows", f"list view floor after {settings.rows:,} rows")]
    rows = [[label, fmt(memory[key]["peakWorkingSet"] / 1024, 0, " KiB"), fmt(memory[key]["workingSet"] / 1024, 0,
                                                                             " KiB")]
            for key, label in names if key in memory]
    if rows:
        report.add("Working set (inspector proc: Wine reports Linux VmHWM and VmRSS)",
                   table(["process", "peak working set", "working set"], rows),
                   "A Wine process maps Wine's own libraries: the bare window shows that floor, and the list view "
                   "floor what the same rows cost in the same list view without the program.")


# ----- fuzz -----------------------------------------------------------------------------------

def conversion_coverage(log):
    """(function, covered edges, edges, lines with an uncovered PC) of ValueConversions.cpp's functions."""
    functions = []
    for block in re.split(r"^(?=(?:UN)?COVERED_FUNC:)", log, flags=re.M):
        head = re.match(r"(?:UN)?COVERED_FUNC: hits: \d+ edges: (\d+)/(\d+) (.*) (\S+):\d+$", block.split("\n")[0])
        if not head or not head.group(4).endswith("toolkit/ValueConversions.cpp"):
            continue
        name = re.sub(r"\[abi:\w+\]|\(.*", "", head.group(3).replace("(anonymous namespace)::", ""))
        lines = sorted({int(n) for n in re.findall(r"UNCOVERED_PC: \S*toolkit/ValueConversions\.cpp:(\d+)", block)
                        if int(n) > 0})
        functions.append((name, int(head.group(1)), int(head.group(2)), lines))
    return functions


def measure_fuzz(settings, report):
    exe = FUZZ_BUILD / "value_conversions_fuzz"
    if not FUZZ_SOURCE.exists():
        report.add("Fuzzing textToInt", f"skipped: {FUZZ_SOURCE.relative_to(ROOT)} is not there")
        report.goal("fuzz run", "not run", "runs without a fault", "skipped", "no fuzz target")
        return
    progress(f"fuzz: {settings.fuzz_seconds} s of libFuzzer over textToInt")
    work = Path(tempfile.mkdtemp(prefix="quorvel-bench-fuzz-"))
    try:
        corpus = work / "corpus"
        corpus.mkdir()
        seeds = [FUZZ_SEEDS] if FUZZ_SEEDS.is_dir() else []
        argv = [exe, f"-max_total_time={settings.fuzz_seconds}", "-print_final_stats=1", "-print_coverage=1",
                "-seed=1", f"-artifact_prefix={work}/", corpus, *seeds]
        with open(work / "fuzz.log", "wb") as out:
            proc = subprocess.Popen([str(a) for a in argv], cwd=work, stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=subprocess.STDOUT)
        try:
            code = proc.wait(settings.fuzz_seconds + 120)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"timed out waiting for the {settings.fuzz_seconds} s fuzz run") from None
        finally:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        text = (work / "fuzz.log").read_text(errors="replace")
        (BUILD / "fuzz.log").write_text(text)
        stats = dict(re.findall(r"^stat::(\w+):\s+(\d+)", text, re.M))
        done = re.findall(r"#(\d+)\s+DONE\s+cov: (\d+) ft: (\d+) corp: (\d+)/(\S+)", text)
        seed_count = re.search(r"INFO:\s+(\d+) files found in \S*value_conversions", text)
        conversions = conversion_coverage(text)
        rows = [["exit code", str(code), "0 = no fault found" if code == 0 else "FAULT: see build/bench/fuzz.log"],
                ["executions", fmt(int(stats.get("number_of_executed_units", 0))), f"in {settings.fuzz_seconds} s"],
                ["executions/s", fmt(int(stats.get("average_exec_per_sec", 0))), ""],
                ["new units added", fmt(int(stats.get("new_units_added", 0))), ""],
                ["peak RSS", f"{stats.get('peak_rss_mb', '?')} MB", ""]]
        if done:
            runs, cov, ft, corp, corp_size = done[-1]
            rows += [["edges covered (cov)", cov, "all instrumented code: the target and ValueConversions.cpp"],
                     ["features (ft)", ft, ""], ["corpus", f"{corp} inputs, {corp_size}", ""]]
        if seed_count:
            rows.append(["seed inputs read", seed_count.group(1), str(FUZZ_SEEDS.relative_to(ROOT))])
        for name, covered, total, lines in conversions:
            rows.append([f"edges in {name}", f"{covered}/{total}",
                         f"uncovered PCs on lines {', '.join(map(str, lines))}" if lines else
                         "uncovered PCs only in inlined library code" if covered != total else "all"])
        report.add("Fuzzing textToInt (libFuzzer, clang 14, ASan+UBSan)", table(["figure", "value", "note"], rows),
                   f"tests/fuzz/ValueConversionsFuzz.cpp with toolkit/ValueConversions.cpp; -seed=1, a fresh corpus "
                   f"seeded from the checked-in one; the log is build/bench/fuzz.log. Edges per function come from "
                   f"-print_coverage=1 and count the inlined standard library and sanitizer checks in it; the lines "
                   f"named are ValueConversions.cpp's lines holding an uncovered PC.")
        report.goal(f"fuzz run of {settings.fuzz_seconds} s", f"{fmt(int(stats.get('number_of_executed_units', 0)))} "
                    f"executions, exit {code}", "no fault", code == 0)
        report.raw["fuzz"] = {"exit": code, "stats": stats, "done": done, "conversions": conversions}
    finally:
        shutil.rmtree(work, ignore_errors=True)


# ----- the run --------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="small counts and times, to try the script")
    parser.add_argument("--only", help=f"comma-separated sections of {', '.join(SECTIONS)}")
    parser.add_argument("--fuzz-seconds", type=int)
    options = parser.parse_args()
    sections = options.only.split(",") if options.only else list(SECTIONS)
    unknown = set(sections) - set(SECTIONS)
    if unknown:
        parser.error(f"unknown sections: {', '.join(sorted(unknown))}")
    if "scale" in sections and "clicks" not in sections:
        parser.error("scale needs clicks: it compares the tick cost with the 1-row run's")
    settings = Settings(options.quick, options.fuzz_seconds)

    build(sections)
    report = Report()
    header = machine_header()
    wine_sections = [s for s in sections if s != "fuzz"]
    if wine_sections:
        progress("starting Xvfb and a fresh Wine prefix")
        with WineSession(displays=range(80, 90)) as wine:
            header += f"\nvirtual display: Xvfb {wine.display}, {'x'.join(map(str, SCREEN))}"
            if "size" in sections:
                measure_size(wine, report)
            if "startup" in sections:
                measure_startup(wine, settings, report)
            if "clicks" in sections or "idle" in sections:
                log = ClickLog(wine.start_click_target(TARGET_RECT))
                clicker = Clicker(wine)
                wine.move_mouse(*CLICK_POINT)
                wait_until(lambda: wine.cursor_pos() == CLICK_POINT, 10, f"the pointer at {CLICK_POINT}")
                clicker.app.post_hotkey(HOTKEY_F6, F6)
                clicker.app.wait_rows(1)
                report.raw.setdefault("memory", {})["quorvelAfterStart"] = wine.process_info(clicker.app.pid)
                one_row_tick = None
                if "clicks" in sections:
                    one_row_tick = measure_clicks(wine, settings, report, clicker, log)
                if "scale" in sections:
                    measure_scale(wine, settings, report, clicker, log, one_row_tick)
                if "idle" in sections:
                    measure_idle(wine, settings, report, clicker)
                memory_table(report, settings)
    if "fuzz" in sections:
        measure_fuzz(settings, report)

    load = " ".join(Path("/proc/loadavg").read_text().split()[:3])
    header += (f"\nload average at the end: {load}\ncommand: bench/run.sh {' '.join(sys.argv[1:])}".rstrip()
               + f"\nrun time: {time.monotonic() - STARTED:.0f} s" + (" (--quick: not the benchmark's figures)"
                                                                     if options.quick else ""))
    text = report.text(header)
    BUILD.mkdir(parents=True, exist_ok=True)
    (BUILD / "results.txt").write_text(text)
    (BUILD / "results.json").write_text(json.dumps(report.raw, indent=1, default=str))
    print(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
