"""Wine sessions for Quorvel's end-to-end tests: Xvfb, a fresh prefix, the inspector, xdotool.

A WineSession starts a virtual X display and a booted Wine prefix of its own, runs Windows
programs in it, reads their windows through inspector.exe (tests/tools) and drives them from
outside with real X key presses and mouse moves, as a user would. Use one session for many
tests: booting a prefix takes seconds.

    with WineSession(locale="zh_CN.UTF-8") as wine:
        target = wine.start_click_target((100, 100, 200, 150))
        wine.click(150, 150)
        records = target.wait_for_records(2)

Environment:
    QUORVEL_BUILD_DIR   the cross build folder (configured with cmake/mingw-i686.cmake); the
                        harness exes (inspector, click_target, sample_window) are read from
                        its tests/tools/ folder, or tools/ for a build of tests/tools alone.
    QUORVEL_KEEP_WINE   "1" keeps each session's temp folder (prefix, program output, logs,
                        screenshots) and prints where it is.

Needs Xvfb, xdotool, wine (32-bit), and ImageMagick's /usr/bin/import for screenshots.
Wine programs write their output to files, never to pipes: Wine's background processes inherit
them and can hold a pipe open for good.
"""

import collections
import itertools
import json
import os
import selectors
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import unittest
import zlib
from pathlib import Path

DEFAULT_DISPLAYS = range(72, 80)
DEFAULT_LOCALE = "en_US.UTF-8"
LOCALES = ("en_US.UTF-8", "zh_CN.UTF-8")
SCREEN = (1024, 768, 24)
TAG_VARIABLE = "QUORVEL_HARNESS_TAG"

WM_CLOSE = 0x0010
BM_CLICK = 0x00F5

_XDOTOOL_BUTTONS = {"left": 1, "middle": 2, "right": 3, "x1": 8, "x2": 9}


def _multi_string(*values):
    """A REG_MULTI_SZ value as a .reg file writes it: hex(7) of its UTF-16 bytes."""
    data = ("\0".join(values) + "\0\0").encode("utf-16-le")
    return "hex(7):" + ",".join(f"{b:02x}" for b in data)


_CJK_FONT = _multi_string("wqy-zenhei.ttc,WenQuanYi Zen Hei")

# Without a window manager: no wait for one at each close, and X focus makes a window active.
# The font links give the dialog fonts a CJK fallback, as Windows has in every language, so
# Chinese text shows under en_US as well; the help text's "宋体" (SimSun) is not installed.
SESSION_REGISTRY = "\r\n".join([
    "Windows Registry Editor Version 5.00",
    "",
    "[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]",
    '"Managed"="N"',
    '"UseTakeFocus"="N"',
    "",
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]",
    *(f'"{face}"={_CJK_FONT}' for face in ("Tahoma", "MS Shell Dlg", "MS Shell Dlg 2", "Microsoft Sans Serif")),
    "",
    "[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]",
    '"宋体"="WenQuanYi Zen Hei Sharp"',
    '"SimSun"="WenQuanYi Zen Hei Sharp"',
    "",
])


class HarnessError(Exception):
    """Something the harness itself could not do."""


class WaitTimeout(HarnessError):
    """A poll ran out of time; the message says what it waited for."""


class InspectorError(HarnessError):
    """inspector.exe answered with an error."""


def wait_until(check, timeout, what, interval=0.05):
    """Calls check() until it returns a true value, and returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise WaitTimeout(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def build_dir():
    """The cross build folder named by QUORVEL_BUILD_DIR."""
    value = os.environ.get("QUORVEL_BUILD_DIR")
    if not value:
        raise HarnessError("QUORVEL_BUILD_DIR is not set: point it at the cross build folder")
    return Path(value)


def tool_path(name):
    """The path of a harness exe (inspector, click_target, ...) in the build folder."""
    places = [build_dir() / "tests" / "tools", build_dir() / "tools"]
    for place in places:
        if (place / f"{name}.exe").is_file():
            return place / f"{name}.exe"
    raise HarnessError(f"{name}.exe is in none of {', '.join(map(str, places))}: build the target {name}")


def windows_path(path):
    """The Windows path of a Linux file: Wine maps drive Z: to /."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def colorref_rgb(colorref):
    """(r, g, b) of a COLORREF number (0x00BBGGRR)."""
    return (colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF)


def _keep_requested():
    return os.environ.get("QUORVEL_KEEP_WINE") == "1"


def _end_process(popen, timeout=5.0):
    """Ends a child we started: SIGTERM by pid, then SIGKILL if it lingers; reaps it."""
    if popen.poll() is not None:
        return
    popen.terminate()
    try:
        popen.wait(timeout)
    except subprocess.TimeoutExpired:
        popen.kill()
        popen.wait(timeout)


class WineProcess:
    """A Windows program started in a session."""

    def __init__(self, session, exe, popen, tag, stdout_path, stderr_path):
        self.session = session
        self.exe = Path(exe)
        self.popen = popen
        self.tag = tag
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path
        self._windows_pid = None

    @property
    def unix_pid(self):
        """The Linux pid of the Wine process (not the Windows pid)."""
        return self.popen.pid

    def windows_pid(self, timeout=10.0):
        """The Windows pid, found by the tag variable in the process's environment."""
        if self._windows_pid is None:
            def find():
                for entry in self.session.processes(env=TAG_VARIABLE):
                    if entry.get("env") == self.tag:
                        return entry["pid"]
                if self.popen.poll() is not None:
                    raise HarnessError(f"{self.exe.name} ended with {self.popen.returncode} before it was seen")
                return None
            self._windows_pid = wait_until(find, timeout, f"the Windows process of {self.exe.name}", 0.1)
        return self._windows_pid

    def linux_stats(self):
        """CPU ms (user, kernel), resident and peak resident bytes and threads, from /proc.

        Wine's GetProcessTimes of another process is not its CPU time (see process_info);
        these are the Linux process's own counts.
        """
        stat = Path(f"/proc/{self.unix_pid}/stat").read_text()
        fields = stat[stat.rindex(")") + 2:].split()  # from field 3 on: the name may hold spaces
        ms_per_tick = 1000 / os.sysconf("SC_CLK_TCK")
        status = dict(line.split(":", 1) for line in Path(f"/proc/{self.unix_pid}/status").read_text().splitlines())
        return {
            "userMs": int(fields[11]) * ms_per_tick,
            "kernelMs": int(fields[12]) * ms_per_tick,
            "residentBytes": int(status["VmRSS"].split()[0]) * 1024,
            "peakResidentBytes": int(status["VmHWM"].split()[0]) * 1024,
            "threads": int(status["Threads"]),
        }

    def poll(self):
        """The exit code if the process has ended, else None."""
        return self.popen.poll()

    def wait(self, timeout=10.0):
        """Waits for the end and returns the exit code (Wine passes it on modulo 256)."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"timed out after {timeout:g} s waiting for {self.exe.name} to exit") from None

    def kill(self):
        """Ends the process by its pid if it still runs."""
        _end_process(self.popen, timeout=2.0)

    def stdout(self):
        return Path(self.stdout_path).read_text(errors="replace")

    def stderr(self):
        return Path(self.stderr_path).read_text(errors="replace")


ClickRecord = collections.namedtuple("ClickRecord", "button action x y t msg_time")
ClickRecord.__doc__ = "One mouse button message: button left/right/middle/x1/x2, action down/up/dbl."


def parse_click_log(text):
    """Splits a click_target log into (ready, records); ready is None until the window is up.

    A last line without its newline is still being written and is left out.
    """
    ready = None
    records = []
    lines = text.split("\n")
    for line in lines[:-1]:
        fields = line.split()
        if not fields:
            continue
        if fields[0] == "ready":
            hwnd, pid, left, top, right, bottom = (int(f) for f in fields[1:7])
            ready = {"hwnd": hwnd, "pid": pid, "rect": (left, top, right, bottom)}
        else:
            button, action, x, y, t, msg_time = fields
            records.append(ClickRecord(button, action, int(x), int(y), float(t), int(msg_time)))
    return ready, records


class ClickTarget:
    """A running click_target.exe and its log."""

    def __init__(self, session, process, log_path):
        self.session = session
        self.process = process
        self.log_path = Path(log_path)
        self.hwnd = None
        self.pid = None
        self.rect = None

    def _read(self):
        try:
            text = self.log_path.read_text()
        except FileNotFoundError:
            text = ""
        return parse_click_log(text)

    def wait_ready(self, timeout=15.0):
        def ready():
            found, _ = self._read()
            if not found and self.process.poll() is not None:
                raise HarnessError(f"click_target ended with {self.process.poll()} before its window was up")
            return found
        found = wait_until(ready, timeout, f"click_target's ready line in {self.log_path}")
        self.hwnd, self.pid, self.rect = found["hwnd"], found["pid"], found["rect"]
        return self

    def records(self):
        """The button records logged so far."""
        return self._read()[1]

    def wait_for_records(self, count, timeout=5.0):
        """Waits until at least count records are logged and returns them all."""
        def enough():
            records = self.records()
            return records if len(records) >= count else None
        return wait_until(enough, timeout, f"{count} click records in {self.log_path}")

    def close(self, timeout=10.0):
        """Posts WM_CLOSE and returns the exit code."""
        self.session.post(self.hwnd, WM_CLOSE)
        return self.process.wait(timeout)


class Image:
    """An 8-bit PNG (grey, RGB, palette or RGBA, not interlaced), read with the stdlib."""

    def __init__(self, width, height, rows, channels, palette):
        self.width = width
        self.height = height
        self._rows = rows
        self._channels = channels
        self._palette = palette

    @classmethod
    def load(cls, path):
        data = Path(path).read_bytes()
        if data[:8] != b"\x89PNG\r\n\x1a\n":
            raise HarnessError(f"{path} is not a PNG")
        at = 8
        header = None
        palette = None
        compressed = bytearray()
        while at < len(data):
            length, kind = struct.unpack(">I4s", data[at:at + 8])
            body = data[at + 8:at + 8 + length]
            at += 12 + length
            if kind == b"IHDR":
                header = struct.unpack(">IIBBBBB", body)
            elif kind == b"PLTE":
                palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
            elif kind == b"IDAT":
                compressed += body
            elif kind == b"IEND":
                break
        width, height, depth, color_type, _, _, interlace = header
        channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[color_type]
        if depth != 8 or interlace:
            raise HarnessError(f"{path}: only 8-bit, non-interlaced PNGs are read")
        return cls(width, height, _unfilter(zlib.decompress(compressed), width, height, channels), channels,
                   palette if color_type == 3 else None)

    def pixel(self, x, y):
        """(r, g, b) at a point."""
        row = self._rows[y]
        at = x * self._channels
        if self._palette is not None:
            return self._palette[row[at]]
        if self._channels <= 2:
            return (row[at],) * 3
        return tuple(row[at:at + 3])


def _unfilter(raw, width, height, channels):
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    at = 0
    for _ in range(height):
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
            elif kind == 4:
                upper_left = previous[i - channels] if i >= channels else 0
                estimate = left + up - upper_left
                pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - upper_left)
                nearest = left if pa <= pb and pa <= pc else (up if pb <= pc else upper_left)
                line[i] = (line[i] + nearest) & 0xFF
        rows.append(line)
        previous = line
    return rows


class WineSession:
    """Xvfb on a free display, a fresh booted Wine prefix and its persistent wineserver.

    locale: LANG and LC_ALL of everything the session runs (Wine takes the ANSI code page
    from it). displays: the X display numbers to try. keep: keep the temp folder (default:
    QUORVEL_KEEP_WINE). autorepeat: (delay ms, interval ms) of the X server's key repeat for
    held keys, the Windows defaults by default.
    """

    def __init__(self, locale=DEFAULT_LOCALE, displays=DEFAULT_DISPLAYS, keep=None, autorepeat=(500, 33)):
        self.locale = locale
        self.displays = displays
        self.keep = _keep_requested() if keep is None else keep
        self.autorepeat = autorepeat
        self.tmp = None
        self.prefix = None
        self.display = None
        self.env = None
        self.boot_seconds = None
        self._xvfb = None
        self._wineserver = None
        self._processes = []
        self._counter = itertools.count(1)
        self._lock = threading.Lock()
        self._root_window = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.close()

    def _next(self):
        with self._lock:
            return next(self._counter)

    # ----- life cycle -----------------------------------------------------------------

    def start(self):
        """Starts Xvfb, boots the prefix and sets the X11 driver keys; see boot_seconds."""
        began = time.monotonic()
        self.tmp = Path(tempfile.mkdtemp(prefix="quorvel-wine-"))
        try:
            for sub in ("logs", "out", "tmp"):
                (self.tmp / sub).mkdir()
            self.prefix = self.tmp / "prefix"
            self.prefix.mkdir()
            self._start_xvfb()
            env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "LANGUAGE", "WINE"))}
            env.update({
                "DISPLAY": self.display,
                "WINEPREFIX": str(self.prefix),
                "WINEDEBUG": "-all",
                # No Mono or Gecko to look for; no menu entries written into the home folder.
                "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
                "LANG": self.locale,
                "LC_ALL": self.locale,
                # Wine's server keeps its socket under TMPDIR: inside the session it goes away with it.
                "TMPDIR": str(self.tmp / "tmp"),
            })
            self.env = env
            self._start_wineserver()
            self._run_logged(["wineboot", "-i"], "wineboot", timeout=120)
            # Wine draws the caption buttons with Marlett, which Debian's Wine does not find on its own.
            marlett = Path("/usr/share/wine/fonts/marlett.ttf")
            if marlett.is_file():
                shutil.copy(marlett, self.prefix / "drive_c" / "windows" / "Fonts" / marlett.name)
            reg = self.tmp / "session.reg"
            reg.write_text(SESSION_REGISTRY, encoding="utf-16")
            self._run_logged(["wine", "regedit", "/S", windows_path(reg)], "regedit", timeout=60)
        except BaseException:
            self.close()
            raise
        self.boot_seconds = time.monotonic() - began
        return self

    def _start_xvfb(self):
        delay, interval = self.autorepeat
        self._xvfb, number = start_xvfb(self.displays, self.tmp / "logs",
                                        ["-ardelay", str(delay), "-arinterval", str(interval)])
        self.display = f":{number}"

    def _start_wineserver(self):
        log = open(self.tmp / "logs" / "wineserver.log", "wb")
        with log:
            self._wineserver = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                                stdout=log, stderr=log)
        # In the foreground the server works in its socket's folder; the socket is there when it is ready.
        socket = Path(f"/proc/{self._wineserver.pid}/cwd/socket")

        def up():
            if self._wineserver.poll() is not None:
                raise HarnessError(f"wineserver ended with {self._wineserver.returncode}: "
                                   f"{(self.tmp / 'logs' / 'wineserver.log').read_text(errors='replace')}")
            return socket.exists()
        wait_until(up, 20, "wineserver's socket", 0.01)

    def _run_logged(self, argv, name, timeout):
        out = self.tmp / "logs" / f"{name}.log"
        with open(out, "wb") as log:
            proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        try:
            code = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            _end_process(proc)
            raise WaitTimeout(f"timed out after {timeout:g} s waiting for {' '.join(argv)}") from None
        if code != 0:
            raise HarnessError(f"{' '.join(argv)} failed with {code}: {out.read_text(errors='replace')[-2000:]}")

    def close(self):
        """Ends all the session started (wineserver -k for the prefix, then each pid) and cleans up."""
        if self._wineserver is not None:
            try:
                subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            except subprocess.TimeoutExpired:
                pass
            _end_process(self._wineserver, timeout=10)
            self._wineserver = None
        for process in self._processes:
            _end_process(process.popen, timeout=5)
        self._processes = []
        if self._xvfb is not None:
            _end_process(self._xvfb)
            self._xvfb = None
        if self.tmp is not None:
            if self.keep:
                print(f"kept Wine session folder {self.tmp}")
            else:
                shutil.rmtree(self.tmp, ignore_errors=True)
            self.tmp = None

    def pids(self):
        """Linux pids of what the session started itself: Xvfb, wineserver, the programs."""
        started = [self._xvfb, self._wineserver, *(p.popen for p in self._processes)]
        return [p.pid for p in started if p is not None]

    # ----- Windows programs -----------------------------------------------------------

    def launch(self, exe, *args, env=None):
        """Starts a Windows exe (Linux path; arguments as given) and returns its WineProcess."""
        n = self._next()
        name = Path(exe).stem
        stdout_path = self.tmp / "logs" / f"{name}-{n}.out"
        stderr_path = self.tmp / "logs" / f"{name}-{n}.err"
        tag = f"{name}-{n}-{os.getpid()}"
        run_env = dict(self.env, **(env or {}))
        run_env[TAG_VARIABLE] = tag
        with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
            popen = subprocess.Popen(["wine", str(exe), *[str(a) for a in args]], env=run_env,
                                     stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        process = WineProcess(self, exe, popen, tag, stdout_path, stderr_path)
        self._processes.append(process)
        return process

    def run(self, exe, *args, timeout=30.0, env=None):
        """Runs a Windows exe to its end and returns its exit code (modulo 256)."""
        process = self.launch(exe, *args, env=env)
        try:
            return process.wait(timeout)
        except WaitTimeout:
            process.kill()
            raise

    # ----- the inspector --------------------------------------------------------------

    def inspect(self, *args, timeout=30.0):
        """Runs inspector.exe with a command and its arguments and returns the parsed JSON."""
        out = self.tmp / "out" / f"inspector-{self._next()}.json"
        argv = ["wine", str(tool_path("inspector")), "--out", windows_path(out), *[str(a) for a in args]]
        log = self.tmp / "logs" / "inspector.log"
        with open(log, "ab") as err:
            proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=err, stderr=err)
        try:
            code = proc.wait(timeout)
        except subprocess.TimeoutExpired:
            _end_process(proc)
            raise WaitTimeout(f"timed out after {timeout:g} s waiting for inspector {' '.join(map(str, args))}") \
                from None
        try:
            answer = json.loads(out.read_text(encoding="utf-8"))
        except FileNotFoundError:
            raise InspectorError(f"inspector {' '.join(map(str, args))} wrote nothing (exit {code})") from None
        finally:
            out.unlink(missing_ok=True)
        if code != 0:
            raise InspectorError(f"inspector {' '.join(map(str, args))}: {answer.get('error')}")
        return answer

    def windows(self, pid=None, title=None, cls=None):
        """Top-level windows in Z order, filtered by Windows pid, exact title and class."""
        args = ["list"]
        for flag, value in (("--pid", pid), ("--title", title), ("--class", cls)):
            if value is not None:
                args += [flag, value]
        return self.inspect(*args)

    def wait_window(self, process=None, pid=None, title=None, cls=None, visible=True, timeout=15.0):
        """Waits for a top-level window (of a WineProcess or pid, title, class) and returns it."""
        if process is not None:
            pid = process.windows_pid(timeout)

        def find():
            for window in self.windows(pid=pid, title=title, cls=cls):
                if window["visible"] or not visible:
                    return window
            if process is not None and process.poll() is not None:
                raise HarnessError(f"{process.exe.name} ended with {process.poll()} before showing its window")
            return None
        return wait_until(find, timeout, f"a window pid={pid} title={title!r} class={cls!r}", 0.1)

    def dump(self, hwnd):
        """One window with its children (and list-view rows, combo and list box items)."""
        return self.inspect("dump", hwnd)

    def foreground(self, hwnd=None):
        """The foreground window and the GUI thread state of hwnd's (or its) thread."""
        return self.inspect("foreground", *([hwnd] if hwnd is not None else []))

    def foreground_hwnd(self):
        window = self.foreground()["foreground"]
        return window["hwnd"] if window else None

    def post(self, hwnd, msg, wparam=0, lparam=0):
        """PostMessageW."""
        self.inspect("post", hwnd, msg, wparam, lparam)

    def send(self, hwnd, msg, wparam=0, lparam=0, timeout_ms=2000):
        """SendMessageTimeoutW; returns the result, raises if the send failed or timed out."""
        answer = self.inspect("send", hwnd, msg, wparam, lparam, "--timeout", timeout_ms)
        if not answer["ok"]:
            raise InspectorError(f"SendMessageTimeoutW({hwnd}, {msg:#x}) failed, error {answer['error']}")
        return answer["result"]

    def process_info(self, pid, wait_ms=None):
        """GDI/USER objects, handles, working set, CPU ms and exit code of a Windows pid.

        wait_ms: first wait up to that long for the process to end, holding it open, so the
        full 32-bit exit code can be read. Under Wine 8 the GDI/USER counts are None (not
        counted), the handle count and privateBytes 0, and userMs/kernelMs of another process
        are not its CPU time (they flip between 0 and 20); the working sets are right (Linux
        VmRSS and VmHWM). WineProcess.linux_stats() has the CPU time.
        """
        extra = ["--wait", wait_ms] if wait_ms is not None else []
        return self.inspect("proc", pid, *extra, timeout=30 + (wait_ms or 0) / 1000)

    def processes(self, env=None):
        """All Windows processes; with env, each one's value of that environment variable."""
        return self.inspect("procs", *(["--env", env] if env else []))

    def system_info(self):
        """ANSI and OEM code pages, user locale name and screen size, as a Wine program sees them."""
        return self.inspect("system")

    def cursor_pos(self):
        """GetCursorPos as (x, y)."""
        answer = self.inspect("cursor")
        return answer["x"], answer["y"]

    def screen_pixel(self, x, y):
        """(r, g, b) of a screen pixel through GetPixel."""
        answer = self.inspect("pixel", x, y)
        return answer["r"], answer["g"], answer["b"]

    def version_info(self, exe):
        """An exe's version record: fixed fields, translations, string tables in stored order."""
        return self.inspect("version", windows_path(exe))

    def icon_groups(self, exe, name=None):
        """An exe's icon groups (or the one named) with their entries."""
        return self.inspect("icons", windows_path(exe), *([name] if name is not None else []))

    # ----- X: windows, focus, keys, mouse, screen -------------------------------------

    def xdotool(self, *args, timeout=15.0):
        """Runs xdotool on the session's display and returns its output."""
        try:
            done = subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"timed out after {timeout:g} s waiting for xdotool {' '.join(map(str, args))}") \
                from None
        if done.returncode != 0:
            raise HarnessError(f"xdotool {' '.join(map(str, args))} failed: {done.stderr.strip()}")
        return done.stdout

    def root_window(self):
        if self._root_window is None:
            self._root_window = int(self.xdotool("search", "--maxdepth", "0", "--name", "").split()[0])
        return self._root_window

    def x_window(self, hwnd=None, title=None, timeout=10.0):
        """The X window id of a top-level Wine window, by hwnd or by exact title."""
        if hwnd is not None:
            def whole_window():
                window = next((w for w in self.windows() if w["hwnd"] == hwnd), None)
                if window is None:
                    raise HarnessError(f"no top-level window {hwnd}")
                return window["xwindow"]
            return wait_until(whole_window, timeout, f"an X window for hwnd {hwnd}", 0.1)

        def by_name():
            found = subprocess.run(["xdotool", "search", "--name", f"^{_regex_escape(title)}$"], env=self.env,
                                   capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=timeout)
            ids = found.stdout.split()
            return int(ids[-1]) if ids else None
        return wait_until(by_name, timeout, f"an X window named {title!r}", 0.1)

    def x_windows(self, process, timeout=10.0):
        """The mapped X windows of a WineProcess (Wine sets _NET_WM_PID to its Linux pid)."""
        def search():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.unix_pid)],
                                   env=self.env, capture_output=True, text=True, stdin=subprocess.DEVNULL,
                                   timeout=timeout)
            return [int(i) for i in found.stdout.split()]
        return wait_until(search, timeout, f"an X window of {process.exe.name}", 0.1)

    def focus(self, hwnd, timeout=10.0):
        """Makes a top-level window the foreground window the way a user's click on it would."""
        xid = self.x_window(hwnd=hwnd, timeout=timeout)
        deadline = time.monotonic() + timeout
        while True:
            # Wine acts on a focus change only: take the focus to the root first.
            self.xdotool("windowfocus", "--sync", self.root_window(), "windowfocus", "--sync", xid)
            attempt_ends = min(deadline, time.monotonic() + 2.0)
            while True:
                now = self.foreground_hwnd()
                if now == hwnd:
                    return
                if time.monotonic() >= attempt_ends:
                    break
                time.sleep(0.05)
            if time.monotonic() >= deadline:
                raise WaitTimeout(f"timed out after {timeout:g} s waiting for window {hwnd} to become "
                                  f"the foreground window (it is {now})")

    def key(self, *keys, delay_ms=None):
        """Presses and releases keys (xdotool names, e.g. "F6", "ctrl+s"), one after another."""
        self.xdotool("key", *(["--delay", delay_ms] if delay_ms is not None else []), *keys)

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def hold_key(self, key, seconds):
        """Holds a key down for a time; the X server repeats it as a held key repeats."""
        self.xdotool("keydown", key, "sleep", f"{seconds:.3f}", "keyup", key, timeout=seconds + 15)

    def type_text(self, text, delay_ms=12):
        """Types text through the keyboard."""
        self.xdotool("type", "--delay", delay_ms, text)

    # No --sync on moves: it waits for good when the pointer is already there. xdotool's
    # events are done in order and before it exits, so a click follows its move anyway.
    def move_mouse(self, x, y):
        self.xdotool("mousemove", x, y)

    def click(self, x=None, y=None, button="left", repeat=1, delay_ms=None):
        """Moves to (x, y) if given, then clicks a button (left/middle/right/x1/x2)."""
        args = []
        if x is not None:
            args += ["mousemove", x, y]
        args += ["click", "--repeat", repeat]
        if delay_ms is not None:
            args += ["--delay", delay_ms]
        self.xdotool(*args, _XDOTOOL_BUTTONS[button])

    def mouse_down(self, button="left"):
        self.xdotool("mousedown", _XDOTOOL_BUTTONS[button])

    def mouse_up(self, button="left"):
        self.xdotool("mouseup", _XDOTOOL_BUTTONS[button])

    def screenshot(self, path=None):
        """Saves the whole display as an RGB PNG and returns its path."""
        path = Path(path) if path else self.tmp / "out" / f"screen-{self._next()}.png"
        done = subprocess.run(["/usr/bin/import", "-display", self.display, "-window", "root", f"PNG24:{path}"],
                              env=self.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        if done.returncode != 0:
            raise HarnessError(f"import failed: {done.stderr.decode(errors='replace')}")
        return path

    def screenshot_pixel(self, x, y):
        """(r, g, b) of a pixel in a fresh screenshot."""
        return Image.load(self.screenshot()).pixel(x, y)

    # ----- the click target -----------------------------------------------------------

    def start_click_target(self, rect, title=None, framed=False, color=None, dblclks=False, topmost=False,
                           activatable=False, exit_code=None, timeout=15.0):
        """Starts click_target.exe over rect (x, y, width, height) and waits until it is shown.

        color: (r, g, b) it is painted with. dblclks: a quick second press comes as "dbl".
        activatable: it may become the active window (by default it never takes the focus).
        exit_code: what WM_CLOSE ends it with (default 0).
        """
        log = self.tmp / "logs" / f"clicks-{self._next()}.log"
        args = ["--log", windows_path(log), "--rect", *rect]
        if title is not None:
            args += ["--title", title]
        if color is not None:
            args += ["--color", "%02x%02x%02x" % tuple(color)]
        if exit_code is not None:
            args += ["--exit-code", exit_code]
        flags = (("--framed", framed), ("--dblclks", dblclks), ("--topmost", topmost), ("--activatable", activatable))
        args += [flag for flag, on in flags if on]
        target = ClickTarget(self, self.launch(tool_path("click_target"), *args), log)
        return target.wait_ready(timeout)


def selected_locales():
    """The locales of QUORVEL_LOCALES (comma-separated), or both by default."""
    chosen = os.environ.get("QUORVEL_LOCALES")
    return tuple(chosen.split(",")) if chosen else LOCALES


class SessionTestCase(unittest.TestCase):
    """A test class with one WineSession of its own, under LOCALE; skipped when QUORVEL_LOCALES
    leaves that locale out. Processes a test adds to self.started are ended after it."""

    LOCALE = DEFAULT_LOCALE

    @classmethod
    def setUpClass(cls):
        if cls.LOCALE not in selected_locales():
            raise unittest.SkipTest(f"{cls.LOCALE} is not in QUORVEL_LOCALES")
        cls.wine = WineSession(locale=cls.LOCALE).start()

    @classmethod
    def tearDownClass(cls):
        cls.wine.close()

    def setUp(self):
        self.started = []

    def tearDown(self):
        for process in self.started:
            process.kill()


def start_xvfb(displays, log_dir, extra_args=()):
    """Starts Xvfb (SCREEN) on the first free display of displays; returns (Popen, number)."""
    for number in displays:
        if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
            continue
        read_end, write_end = os.pipe()
        log = open(Path(log_dir) / f"xvfb-{number}.log", "wb")
        try:
            xvfb = subprocess.Popen(
                ["Xvfb", f":{number}", "-displayfd", str(write_end), "-screen", "0",
                 "x".join(str(v) for v in SCREEN), "-nolisten", "tcp", *extra_args],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        finally:
            os.close(write_end)
            log.close()
        # Xvfb writes the display number once it accepts clients, or exits if another took it.
        answer = _read_line(read_end, timeout=10)
        os.close(read_end)
        if answer.strip() == str(number).encode():
            return xvfb, number
        _end_process(xvfb)
    raise HarnessError(f"no free X display among {list(displays)}")


def _regex_escape(text):
    return "".join("\\" + c if c in r".^$*+?()[]{}|\\" else c for c in text)


def _read_line(fd, timeout):
    """Reads from a pipe until it closes or a newline arrives, within the timeout."""
    data = b""
    with selectors.DefaultSelector() as selector:
        selector.register(fd, selectors.EVENT_READ)
        deadline = time.monotonic() + timeout
        while b"\n" not in data:
            left = deadline - time.monotonic()
            if left <= 0 or not selector.select(left):
                break
            chunk = os.read(fd, 64)
            if not chunk:
                break
            data += chunk
    return data
