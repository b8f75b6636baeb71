"""Hardening of the real exe under Wine: bad interval texts, storms of WM_HOTKEY messages, quick
Start/Stop toggles, a held F6, closing in a burst of ticks, and resource counts over many
help windows and pointer changes.

    QUORVEL_BUILD_DIR=build/win32 python3 -m unittest -v test_hardening

Two things are read straight from the X server with a bare protocol client (the standard
library has no X library): the key presses it generates, held-key repeats included (RECORD),
to count F6 presses independently of Wine; and the X resources each process holds
(X-Resource). Under Wine, GetGuiResources answers 0 and another process's handle count is 0,
so from outside the resource tests count the process's windows, its X resources and its
working set; tests/wine/ToolkitTest.cpp counts GDI objects and windows from inside.
"""

import collections
import random
import socket
import statistics
import struct
import subprocess
import threading
import time

from quorvel_app import (
    BOX_TITLE, CTRL_Q, CTRL_S, F6, F7, HELP_BUTTON, HELP_TITLE, IDOK, INTERVAL_EDIT, MAIN_TITLE, START_BUTTON,
    WM_CLOSE, WM_COMMAND, WM_HOTKEY, Quorvel, QuorvelTestCase,
)
from wine_session import HarnessError, WaitTimeout, wait_until, windows_path

TARGET = (0, 0, 340, 768)  # left of the main window at (364, 192)
ROW_POINTS = [((40, 50), F6), ((200, 300), F7), ((300, 700), F6)]
WM_KEYDOWN, VK_ESCAPE = 0x0100, 0x1B
BN_CLICKED = 0

START, STOP, LEFT, RIGHT = (1, CTRL_S), (2, CTRL_Q), (3, F6), (4, F7)
EXACT = {START: "start", STOP: "stop", LEFT: "left", RIGHT: "right"}


# ----- a bare X11 client: RECORD and X-Resource ------------------------------------------

class XConnection:
    """An X11 connection over the display's Unix socket, with just the requests used here."""

    def __init__(self, display):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(f"/tmp/.X11-unix/X{display.lstrip(':')}")
        self.sock.sendall(struct.pack("<BxHHHHxx", ord("l"), 11, 0, 0, 0))
        head = self.read(8)
        setup = self.read(struct.unpack_from("<H", head, 6)[0] * 4)
        if head[0] != 1:
            raise RuntimeError(f"the X server refused the connection: {setup!r}")
        self.resource_base = struct.unpack_from("<I", setup, 4)[0]

    def read(self, size):
        data = b""
        while len(data) < size:
            chunk = self.sock.recv(size - len(data))
            if not chunk:
                raise EOFError("the X server closed the connection")
            data += chunk
        return data

    def request(self, opcode, data, body=b""):
        body += b"\0" * (-len(body) % 4)
        self.sock.sendall(struct.pack("<BBH", opcode, data, 1 + len(body) // 4) + body)

    def reply(self):
        """The next reply as (its 32-byte head, the data after it); events are skipped."""
        while True:
            head = self.read(32)
            if head[0] == 0:
                raise RuntimeError(f"X error {head[1]} on request {head[10]}.{struct.unpack_from('<H', head, 8)[0]}")
            if head[0] == 1:
                return head, self.read(struct.unpack_from("<I", head, 4)[0] * 4)

    def extension(self, name):
        """The major opcode of an extension (QueryExtension)."""
        self.request(98, 0, struct.pack("<H2x", len(name)) + name)
        head, _ = self.reply()
        if not head[8]:
            raise RuntimeError(f"the X server has no {name.decode()} extension")
        return head[9]

    def atom_name(self, atom):
        self.request(17, 0, struct.pack("<I", atom))  # GetAtomName
        head, data = self.reply()
        return data[:struct.unpack_from("<H", head, 8)[0]].decode()

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()


class KeyPressRecorder:
    """Every key press the X server generates from now on, held-key repeats included: RECORD's
    device events come from the server's input processing, before any client sees them."""

    KEY_PRESS = 2

    def __init__(self, display):
        self._x = XConnection(display)
        opcode = self._x.extension(b"RECORD")
        context = self._x.resource_base | 1
        # One range, device events KeyPress to KeyRelease: core requests and replies, extension
        # requests and replies, delivered events, device events, errors, client started/died.
        device_keys = struct.pack("<2B2B2B2H2B2H2B2B2B2B", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                  0, 0, self.KEY_PRESS, self.KEY_PRESS + 1, 0, 0, 0, 0)
        all_clients = 3
        self._x.request(opcode, 1, struct.pack("<IB3xIII", context, 0, 1, 1, all_clients) + device_keys)
        self._x.request(opcode, 5, struct.pack("<I", context))  # EnableContext: replies until closed
        self._lock = threading.Lock()
        self._keycodes = []
        self._recording = threading.Event()
        self._thread = threading.Thread(target=self._receive, daemon=True)
        self._thread.start()
        if not self._recording.wait(5):
            raise RuntimeError("the X server did not start recording")

    def _receive(self):
        from_server, start_of_data = 0, 4
        try:
            while True:
                head, data = self._x.reply()
                if head[1] == start_of_data:
                    self._recording.set()
                if head[1] != from_server:
                    continue
                with self._lock:
                    self._keycodes += [data[i + 1] for i in range(0, len(data) - 31, 32)
                                       if data[i] & 0x7F == self.KEY_PRESS]
        except (EOFError, OSError):
            pass

    def presses(self):
        """The key codes of the presses so far, in order."""
        with self._lock:
            return list(self._keycodes)

    def close(self):
        self._x.close()
        self._thread.join(5)


def x_resources(display, unix_pid):
    """The X resources, by type, that the X connections of a Linux process hold (X-Resource)."""
    x = XConnection(display)
    try:
        opcode = x.extension(b"X-Resource")
        x.request(opcode, 0, struct.pack("<BB2x", 1, 2))  # QueryVersion 1.2
        x.reply()
        local_client_pid = 2
        x.request(opcode, 4, struct.pack("<III", 1, 0, local_client_pid))  # QueryClientIds, all clients
        head, data = x.reply()
        clients = []
        at = 0
        for _ in range(struct.unpack_from("<I", head, 8)[0]):
            client, mask, length = struct.unpack_from("<III", data, at)
            value = data[at + 12:at + 12 + length]
            at += 12 + length
            if mask == local_client_pid and struct.unpack("<I", value)[0] == unix_pid:
                clients.append(client)
        counts = collections.Counter()
        for client in clients:
            x.request(opcode, 2, struct.pack("<I", client))  # QueryClientResources
            head, data = x.reply()
            for i in range(struct.unpack_from("<I", head, 8)[0]):
                atom, count = struct.unpack_from("<II", data, 8 * i)
                counts[x.atom_name(atom)] += count
        return counts
    finally:
        x.close()


# ----- helpers ---------------------------------------------------------------------------

def post_messages(wine, hwnd, messages, interval_ms=0):
    """Posts (message, wParam, lParam) triples in one inspector run, interval_ms apart."""
    path = wine.tmp / "out" / f"messages-{time.monotonic_ns()}.txt"
    path.write_text("".join(f"{m} {w} {l}\n" for m, w, l in messages))
    wine.inspect("postfile", hwnd, windows_path(path), "--interval-ms", interval_ms,
                 timeout=60 + len(messages) * interval_ms / 500)


def hotkeys(pairs):
    return [(WM_HOTKEY, w, l) for w, l in pairs]


def record_rows(wine, app, points, repeat=1):
    """repeat rows for each (point, key lParam): posted F6 or F7 with the pointer there."""
    for (x, y), key in points:
        before = len(app.rows())
        wine.move_mouse(x, y)
        wait_until(lambda: wine.cursor_pos() == (x, y), 5, f"the pointer at {(x, y)}")
        post_messages(wine, app.hwnd, hotkeys([LEFT if key == F6 else RIGHT] * repeat))
        app.wait_rows(before + repeat)


def presses(records):
    return [r for r in records if r.action == "down"]


def settled(read, quiet=0.5, timeout=60):
    """read() once it has given the same answer for quiet seconds."""
    last = read()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        time.sleep(quiet)
        now = read()
        if now == last:
            return now
        last = now
    raise WaitTimeout(f"still changing after {timeout} s: {read.__name__}")


def assert_no_click_comes(test, target, seconds=0.5):
    """Once clicks already on their way have landed, none comes for a while."""
    time.sleep(0.3)
    count = len(target.records())
    time.sleep(seconds)
    test.assertEqual(len(target.records()), count, "a click came while none should")


# ----- interval texts -----------------------------------------------------------------

TEN_NINES_WRAPPED = 99999999999 % 2 ** 32           # 1215752191: some fourteen days
THIRTY_THOUSAND_NINES_WRAPPED = -1                  # 10^30000 - 1 is -1 modulo 2^32

# (text, the interval it gives): set with WM_SETTEXT, as the edit then holds it.
INTERVAL_TEXTS = [
    ("", 0),
    ("abc", 0),
    ("-5", -5),
    ("0", 0),
    ("0" * 29997 + "100", 100),
    ("9" * 30000, THIRTY_THOUSAND_NINES_WRAPPED),
    ("99999999999", TEN_NINES_WRAPPED),
    ("2147483648", -2 ** 31),
    ("4294967396", 100),
    ("１２３", 123),
    ("１0０", 100),
    ("－５", -5),
    ("　３０", 30),
    ("12abc", 12),
]

# Bytes sent with SendMessageA, read in the sender's ANSI code page: (hex, interval, the
# edit's text under 936, under 1252). Under 936 Wine takes the terminating NUL as the lone
# lead byte's trail byte: the edit gets "?" and whatever followed in memory; the number ends
# at the "?" all the same.
LONE_LEAD_BYTES = [
    ("A3", 0, "?", "£"),
    ("313030A3", 100, "100?", "100£"),
]

# Typed on the keyboard into the emptied edit box.
TYPED_TEXTS = [("-5", -5), ("100", 100), ("abc", 0), ("12abc", 12)]

OBSERVED_CLICKS = 8
QUIET_SECONDS = 1.2  # longer than the edit's first text, 1000 ms, a likely stand-in for a bad one


class IntervalTexts:
    """Each text runs a whole cycle on one copy of the program: Start, clicks at the interval
    the text gives or none, Stop. Mixed into a QuorvelTestCase of a locale."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.app = Quorvel.launch(cls.wine)
        cls.target = cls.wine.start_click_target(TARGET)
        record_rows(cls.wine, cls.app, ROW_POINTS)

    def edit(self):
        return self.app.control(INTERVAL_EDIT)["hwnd"]

    def run_cycle(self, interval, start_by_button):
        """Start, watch, Stop; checks the clicks against the interval the text gives."""
        try:
            self.check_cycle(interval, start_by_button)
        finally:
            if self.app.state() != "idle":  # so that one failing case leaves the next its start
                self.app.post_hotkey(*STOP)
                self.app.wait_state("idle")

    def check_cycle(self, interval, start_by_button):
        app, target = self.app, self.target
        self.assertEqual(app.state(), "idle")
        text = app.control(INTERVAL_EDIT)["text"]
        before = len(target.records())
        if start_by_button:
            start = app.control(START_BUTTON)["hwnd"]
            self.wine.post(app.hwnd, WM_COMMAND, START_BUTTON | BN_CLICKED << 16, start)
        else:
            app.post_hotkey(*START)
        app.wait_state("running")
        if 0 < interval < 1000:
            try:
                target.wait_for_records(before + 2 * OBSERVED_CLICKS, timeout=10)
            except WaitTimeout:
                self.fail(f"{len(target.records()) - before} click records in 10 s at an interval of {interval}")
        else:
            time.sleep(QUIET_SECONDS)
        app.post_hotkey(*STOP)
        app.wait_state("idle")
        assert_no_click_comes(self, target, 0.4)
        records = target.records()[before:]
        self.assertIsNone(app.process.poll(), "the program ended")
        self.assertEqual(app.control(INTERVAL_EDIT)["text"], text)

        if not 0 < interval < 1000:
            self.assertEqual(len(records), 0, f"{len(records)} click records with an interval of {interval}")
            return
        points = {point for point, _ in ROW_POINTS}
        downs = presses(records)
        self.assertLessEqual({(r.x, r.y) for r in downs}, points)
        gaps = [b.t - a.t for a, b in zip(downs, downs[1:])]
        # Wine's timers keep to the period within a few milliseconds.
        self.assertLessEqual(abs(statistics.median(gaps) - interval), 0.25 * interval + 5, gaps)

    def run_texts(self, cases):
        for i, (text, interval) in enumerate(cases):
            with self.subTest(text=text if len(text) < 20 else f"{text[:5]}... ({len(text)} characters)"):
                self.wine.inspect("settext", self.edit(), text)
                self.assertEqual(self.app.control(INTERVAL_EDIT)["text"], text)
                self.run_cycle(interval, start_by_button=i % 2 == 0)

    def test_a_lone_lead_byte_in_the_senders_code_page(self):
        code_page = self.wine.system_info()["acp"]
        for hex_bytes, interval, text_936, text_1252 in LONE_LEAD_BYTES:
            with self.subTest(bytes=hex_bytes, code_page=code_page):
                self.wine.inspect("settext", self.edit(), "--bytes", hex_bytes)
                shown = self.app.control(INTERVAL_EDIT)["text"]
                if code_page == 936:
                    self.assertTrue(shown.startswith(text_936), repr(shown))
                else:
                    self.assertEqual(shown, text_1252)
                self.run_cycle(interval, start_by_button=False)


class IntervalTextChineseTest(IntervalTexts, QuorvelTestCase):
    LOCALE = "zh_CN.UTF-8"

    def test_texts_set_in_the_edit(self):
        self.run_texts(INTERVAL_TEXTS)


class IntervalTextEnglishTest(IntervalTexts, QuorvelTestCase):
    LOCALE = "en_US.UTF-8"

    def test_full_width_texts_whatever_the_ansi_code_page(self):
        # The edit's text becomes code page 936 bytes, not bytes of the ANSI code page (1252
        # here), whose best fit also turns full-width digits into ASCII ones but, unlike 936,
        # a subscript one into "1".
        cases = [(text, interval) for text, interval in INTERVAL_TEXTS if not text.isascii()]
        self.run_texts(cases + [("₁00", 0)])

    def test_typed_texts(self):
        for text, interval in TYPED_TEXTS:
            with self.subTest(text=text):
                self.wine.inspect("settext", self.edit(), "")
                self.app.click_control(INTERVAL_EDIT)
                self.wine.xdotool("type", "--delay", 12, "--", text)  # "--": the text may start with "-"
                wait_until(lambda: self.app.control(INTERVAL_EDIT)["text"] == text, 5, f"{text!r} in the edit")
                self.run_cycle(interval, start_by_button=True)


# ----- storms of WM_HOTKEY ------------------------------------------------------------

MODIFIER_BITS = (0x1, 0x2, 0x4, 0x8, 0x4000)  # Alt, Ctrl, Shift, Win, no-repeat


def near_miss(rng, wparam, lparam):
    """A WM_HOTKEY that differs from an exact one in one way a platform or a user could make."""
    way = rng.randrange(6)
    if way == 0:  # right id, other modifiers
        return wparam, lparam ^ rng.choice(MODIFIER_BITS)
    if way == 1:  # right lParam, another id, the platform's negative ones among them
        return rng.choice([0, 1, 2, 3, 4, 5, 0xBFFF, 0xC000, 0xFFFFFFFF, 0xFFFFFFFE]), lparam
    if way == 2:  # right id, a neighbouring key or another hotkey's key
        return wparam, rng.choice([lparam + 0x10000, lparam - 0x10000, *(key for _, key in EXACT)])
    if way == 3:  # high bits of wParam
        return wparam | 1 << rng.randrange(8, 32), lparam
    if way == 4:  # high bits of lParam: the key word's high byte, the modifier word's high bits
        return wparam, lparam | 1 << rng.choice([*range(24, 32), *range(4, 16)])
    return rng.randrange(8), F6 if lparam == F7 else F7 if lparam == F6 else lparam  # keys swapped


def hotkey_storm(seed, count):
    """(wParam, lParam) pairs: about one in ten exact, half near misses, the rest noise."""
    rng = random.Random(seed)
    pairs = []
    for _ in range(count):
        wparam, lparam = rng.choice(list(EXACT))
        roll = rng.random()
        if roll < 0.1:
            pairs.append((wparam, lparam))
        elif roll < 0.6:
            miss = near_miss(rng, wparam, lparam)
            while miss in EXACT:  # another id or key can make another exact pair
                miss = near_miss(rng, wparam, lparam)
            pairs.append(miss)
        else:
            pairs.append((rng.choice([rng.randrange(-3, 8) & 0xFFFFFFFF, rng.getrandbits(32)]),
                          rng.choice([rng.getrandbits(32), rng.randrange(256) << 16 | rng.randrange(16)])))
    return pairs


class HotkeyStormTest(QuorvelTestCase):
    def test_only_exact_pairs_act_among_ten_thousand(self):
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        record_rows(self.wine, app, ROW_POINTS[:1])
        app.set_interval("20")  # a running cycle clicks the target meanwhile
        pairs = hotkey_storm(seed=20240611, count=10000)

        # What the pairs should do, from the exact combinations alone.
        effects = [EXACT.get(pair) for pair in pairs]
        added = [0 if e == "left" else 1 for e in effects if e in ("left", "right")]
        switches = [e for e in effects if e in ("start", "stop")]
        final_state = {"start": "running", "stop": "idle"}[switches[-1]]
        self.assertTrue(len(pairs) - len(added) - len(switches) > 8000, "too few misses to mean much")

        post_messages(self.wine, app.hwnd, hotkeys(pairs))
        try:
            app.wait_rows(1 + len(added), timeout=60)
        except WaitTimeout:
            pass  # too few: the comparison below tells
        rows = settled(app.rows)
        # As texts of 0 and 1: a diff of lists this long is slow.
        self.assertEqual("".join(str(value) for *_, value in rows[1:]), "".join(map(str, added)))
        self.assertEqual({(text, value) for text, _, _, value in rows}, {("左键单击", 0), ("右键单击", 1)})
        self.assertEqual(app.state(), final_state)
        self.assertIsNone(app.process.poll())

        # Still answering to the exact pairs afterwards.
        app.post_hotkey(*STOP)
        app.wait_state("idle")
        assert_no_click_comes(self, target)

    def test_thousands_of_starts_into_an_empty_list(self):
        # As Ctrl+S held down with no rows: the repeats come while the refusal is open.
        app = self.launch()
        post_messages(self.wine, app.hwnd, hotkeys([START] * 3000 + [RIGHT]))

        def taken_or_ended():
            try:
                return app.process.poll() is not None or app.rows()
            except HarnessError:  # a window on its way out
                return False
        wait_until(taken_or_ended, 180, "the last message to be taken")
        self.assertIsNone(app.process.poll(), f"the program ended: {app.process.stderr()[-200:]}")
        self.assertEqual(app.state(), "running")  # as while any refusal is shown

        for _ in range(5):  # whatever refusals are open, a few at most
            boxes = self.wine.windows(pid=app.pid, title=BOX_TITLE)
            if not boxes:
                break
            self.wine.post(boxes[0]["hwnd"], WM_COMMAND, IDOK, 0)
            wait_until(lambda: len(self.wine.windows(pid=app.pid, title=BOX_TITLE)) < len(boxes), 5, "a box to close")
        self.assertEqual(self.wine.windows(pid=app.pid, title=BOX_TITLE), [])
        app.wait_state("idle")

        # With the row that F7 added, Start runs the cycle.
        app.post_hotkey(*START)
        app.wait_state("running")
        app.post_hotkey(*STOP)
        app.wait_state("idle")


# ----- quick toggles, a held key, closing in a burst ----------------------------------

def assert_clicks_follow_the_rows(test, downs, points):
    """Each press clicks the first row (a Start begins there) or the row after the previous
    press's, with that row's button. A press may land where the previous one did: under Wine
    the window under the pointer (the click target, another process) reports the pointer's
    arrival at the previous row to the server, sometimes only after the next SetCursorPos and
    before its button goes down. The row a press clicked is then known only by its button,
    so the rows each press may have clicked are followed as a set."""
    rows = [(point, "left" if key == F6 else "right") for point, key in points]
    clicked = {-1}  # -1: before the first press, whose next row can only be the first
    previous_point = None
    for n, press in enumerate(downs):
        candidates = {0} | {(row + 1) % len(rows) for row in clicked if row >= 0}
        here = {row for row in candidates if rows[row] == ((press.x, press.y), press.button)}
        if not here and (press.x, press.y) == previous_point:
            here = {row for row in candidates if rows[row][1] == press.button}
        if not here:
            test.fail(f"press {n}: {press.button} at {(press.x, press.y)}, one of rows {sorted(candidates)} expected")
        clicked, previous_point = here, (press.x, press.y)


class QuickTogglesTest(QuorvelTestCase):
    def test_a_thousand_start_stop_toggles_while_the_cycle_runs(self):
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        record_rows(self.wine, app, ROW_POINTS)
        app.set_interval("10")

        # 960 posted toggles; after each Start some no-op messages, 1 ms apart, let ticks in.
        rng = random.Random(7)
        messages = []
        for _ in range(480):
            messages += hotkeys([START]) + [(0, 0, 0)] * rng.randrange(25)
            messages += hotkeys([STOP]) + [(0, 0, 0)] * rng.randrange(3)
        post_messages(self.wine, app.hwnd, messages, interval_ms=1)
        app.wait_state("idle")

        # And 40 real ones on the keyboard, then F6, whose row shows that all were taken.
        app.focus()
        self.wine.key(*["ctrl+s", "ctrl+q"] * 20, "F6", delay_ms=25)
        app.wait_rows(len(ROW_POINTS) + 1)
        self.assertEqual(app.state(), "idle")
        assert_no_click_comes(self, target, 0.8)
        downs = presses(target.records())
        self.assertGreater(len(downs), 20, "the cycle hardly ran between the toggles")
        assert_clicks_follow_the_rows(self, downs, ROW_POINTS)
        self.assertEqual(target.records()[-1].action, "up")

        # A last Start still runs the cycle, now over four rows.
        before = len(target.records())
        app.post_hotkey(*START)
        target.wait_for_records(before + 10)
        app.post_hotkey(*STOP)
        app.wait_state("idle")
        assert_no_click_comes(self, target)


class HeldKeyTest(QuorvelTestCase):
    def test_a_held_f6_adds_one_row_per_key_press(self):
        app = self.launch()
        app.focus()
        self.wine.move_mouse(120, 130)
        wait_until(lambda: self.wine.cursor_pos() == (120, 130), 5, "the pointer at (120, 130)")
        recorder = KeyPressRecorder(self.wine.display)
        try:
            self.wine.hold_key("F6", 2.0)
            keys = settled(recorder.presses)
        finally:
            recorder.close()
        self.assertEqual(len(set(keys)), 1, keys)
        delay_ms, interval_ms = self.wine.autorepeat
        self.assertGreater(len(keys), (2000 - delay_ms) / interval_ms / 2, "the key hardly repeated")

        rows = settled(app.rows)
        self.assertEqual(len(rows), len(keys), "rows and key presses differ")
        self.assertEqual(set(rows), {("左键单击", "120", "130", 0)})


def close_by_message(wine, app):
    wine.post(app.hwnd, WM_CLOSE)


def close_by_escape_key(wine, app):
    app.focus()
    wine.key("Escape")


def close_by_posted_escape(wine, app):
    wine.post(app.hwnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001)


def close_with_the_help_window_open(wine, app):
    """WM_CLOSE to the main window while its modal help window is open."""
    wine.post(app.hwnd, WM_COMMAND, HELP_BUTTON | BN_CLICKED << 16, app.control(HELP_BUTTON)["hwnd"])
    app.help_window()
    wine.post(app.hwnd, WM_CLOSE)


class ClosingInATickBurstTest(QuorvelTestCase):
    def test_no_click_after_the_window_is_gone(self):
        target = self.wine.start_click_target(TARGET)
        for close in (close_by_message, close_by_escape_key, close_by_posted_escape, close_with_the_help_window_open):
            with self.subTest(close=close.__name__):
                app = self.launch()
                try:
                    record_rows(self.wine, app, ROW_POINTS, repeat=10)
                    app.set_interval("10")
                    before = len(target.records())
                    app.post_hotkey(*START)
                    target.wait_for_records(before + 40)
                    # The full exit code is read while waiting for the end: not once it has come.
                    exit_code = {}
                    waiter = threading.Thread(target=lambda: exit_code.update(code=app.exit_code(timeout=20)))
                    waiter.start()
                    close(self.wine, app)
                    wait_until(lambda: not any(w["visible"] for w in self.wine.windows(pid=app.pid, title=MAIN_TITLE)),
                               5, "the window to go")
                    time.sleep(0.3)  # clicks already on their way land
                    gone = len(target.records())
                    waiter.join()
                    self.assertEqual(exit_code.get("code"), 0)
                    time.sleep(0.3)
                    records = target.records()
                    self.assertEqual(len(records), gone, "a click came after the window was gone")
                    self.assertEqual(records[-1].action, "up", "a press without its release")
                    self.assert_hotkeys_free()
                finally:
                    app.process.kill()  # a copy left running would click into the next case


# ----- resource counts ----------------------------------------------------------------

def window_count(node):
    return 1 + sum(window_count(child) for child in node["children"])


class ResourceCountTest(QuorvelTestCase):
    """Counts that can be taken from outside: the process's windows (USER objects Wine keeps in
    its server), the X resources of its X connections, its working set, and GetGuiResources
    and the handle count where the platform gives them (Wine 8 does not)."""

    WORKING_SET_SLACK = 1 << 20

    def counts(self, app):
        info = self.wine.process_info(app.pid)
        platform = {key: info[key] for key in ("gdiObjects", "userObjects", "handles") if info[key]}
        windows = sum(window_count(self.wine.dump(w["hwnd"])) for w in self.wine.windows(pid=app.pid))
        return {"windows": windows, "x": x_resources(self.wine.display, app.process.unix_pid),
                "platform": platform, "workingSet": info["workingSet"]}

    def assert_flat(self, before, after):
        self.assertEqual(after["windows"], before["windows"])
        self.assertEqual(after["x"], before["x"])
        self.assertEqual(after["platform"], before["platform"])
        self.assertLess(after["workingSet"] - before["workingSet"], self.WORKING_SET_SLACK,
                        f"working set {before['workingSet']} -> {after['workingSet']}")

    def click_until_the_help_window_is(self, point, shown):
        """Clicks at a point and waits until the X server shows the help window, or shows it no
        more: it answers in milliseconds. xdotool search exits with 1 when nothing matches."""
        self.wine.click(*point, delay_ms=0)

        def seen():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{HELP_TITLE}$"],
                                   env=self.wine.env, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                                   timeout=15)
            return bool(found.stdout.split()) == shown
        wait_until(seen, 5, f"the help window {'shown' if shown else 'gone'}", 0.005)

    def test_a_thousand_help_windows_leave_the_counts_flat(self):
        app = self.launch()
        help_button = app.screen_center(HELP_BUTTON)
        self.click_until_the_help_window_is(help_button, shown=True)
        help_window = self.wine.dump(app.help_window()["hwnd"])
        outer, client = help_window["rect"], help_window["client"]
        caption = client["top"] - outer["top"]
        close_button = (client["right"] - caption // 2, outer["top"] + caption // 2)
        self.click_until_the_help_window_is(close_button, shown=False)

        def open_and_close():
            self.click_until_the_help_window_is(help_button, shown=True)
            self.click_until_the_help_window_is(close_button, shown=False)

        for _ in range(20):  # what the first openings load stays for the process's life
            open_and_close()
        before = self.counts(app)
        for _ in range(1000):
            open_and_close()
        self.assert_flat(before, self.counts(app))
        self.assertTrue(app.dump()["enabled"])

    def test_ten_thousand_pointer_changes_leave_the_counts_flat(self):
        app = self.launch()
        record_rows(self.wine, app, ROW_POINTS[:1])
        app.set_interval("0")
        # Over the Start button, each change makes the system ask for the cursor there again.
        start = app.screen_center(START_BUTTON)
        self.wine.move_mouse(*start)

        def toggle(times):
            """Start and Stop each change two pointers; F7 last shows that all were taken."""
            rows = len(app.rows())
            post_messages(self.wine, app.hwnd, hotkeys([START, STOP] * (times // 2) + [RIGHT]))
            app.wait_rows(rows + 1, timeout=30)

        toggle(100)
        before = self.counts(app)
        toggle(5000)
        self.assertEqual(app.state(), "idle")
        self.assert_flat(before, self.counts(app))
