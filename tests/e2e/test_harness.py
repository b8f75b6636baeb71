"""Tests of the end-to-end harness itself: wine_session.py, inspector.exe, click_target.exe.

    QUORVEL_BUILD_DIR=/path/to/cross-build python3 -m unittest discover -s tests/e2e -p 'test_harness.py' -v

The cross build needs the targets inspector, click_target and sample_window. The Wine tests
run once per locale of QUORVEL_LOCALES (comma-separated; default both en_US.UTF-8 and
zh_CN.UTF-8), each in one session.
"""

import os
import struct
import subprocess
import tempfile
import threading
import time
import unittest
from pathlib import Path

from wine_session import (
    BM_CLICK, DEFAULT_DISPLAYS, SCREEN, WM_CLOSE, HarnessError, Image, InspectorError, SessionTestCase, WaitTimeout,
    WineSession, colorref_rgb, parse_click_log, start_xvfb, tool_path, wait_until, windows_path,
)

WM_GETTEXTLENGTH = 0x000E
WS_POPUP = 0x80000000
WS_CAPTION = 0x00C00000
WS_EX_NOACTIVATE = 0x08000000
WS_EX_TOPMOST = 0x00000008
LVS_EX_GRIDLINES = 0x1
LVS_EX_FULLROWSELECT = 0x20
LVIS_SELECTED = 0x2

SAMPLE_TITLE = "Quorvel 样例窗口"
EDIT_ID, OK_ID, CHECK_ID, COMBO_ID, LIST_VIEW_ID, STATUS_ID, LIST_BOX_ID, KEY_COUNTER_ID = range(101, 109)


def child(window, control_id):
    return next(c for c in window["children"] if c["id"] == control_id)


def key_counts(wine, hwnd):
    """(downs, repeats, ups) that the sample window counted."""
    fields = child(wine.dump(hwnd), KEY_COUNTER_ID)["text"].split()
    return int(fields[1]), int(fields[3]), int(fields[5])


class ClickLogParsingTest(unittest.TestCase):
    def test_lines_become_records(self):
        text = ("ready 65636 312 10 20 110 70\n"
                "left down 15 25 101.250 5000\n"
                "left up 15 25 180.5 5080\n"
                "x2 dbl 109 69 200.000 5100\n")
        ready, records = parse_click_log(text)
        self.assertEqual(ready, {"hwnd": 65636, "pid": 312, "rect": (10, 20, 110, 70)})
        self.assertEqual([(r.button, r.action, r.x, r.y, r.t, r.msg_time) for r in records],
                         [("left", "down", 15, 25, 101.25, 5000), ("left", "up", 15, 25, 180.5, 5080),
                          ("x2", "dbl", 109, 69, 200.0, 5100)])

    def test_a_line_still_being_written_is_left_out(self):
        cases = [
            ("", None, 0),
            ("ready 1 2 3 4 5 6", None, 0),
            ("ready 1 2 3 4 5 6\nleft do", 1, 0),
            ("ready 1 2 3 4 5 6\nleft down 1 2 3.0 4\n", 1, 1),
        ]
        for text, hwnd, count in cases:
            with self.subTest(text=text):
                ready, records = parse_click_log(text)
                self.assertEqual(ready and ready["hwnd"], hwnd)
                self.assertEqual(len(records), count)


class PngReadingTest(unittest.TestCase):
    """Image.load against ImageMagick's own decoding of the same file, for each colour type."""

    def test_pixels_match_imagemagick(self):
        with tempfile.TemporaryDirectory() as tmp:
            for kind in ("PNG8", "PNG24", "PNG32", "PNG"):
                with self.subTest(kind=kind):
                    png = Path(tmp) / f"{kind}.png"
                    # A plasma has rows that ImageMagick compresses with every PNG filter type.
                    source = ["-seed", "7", "-size", "61x37", "plasma:"]
                    source += {"PNG8": ["-colors", "64"], "PNG": ["-colorspace", "Gray"]}.get(kind, [])
                    subprocess.run(["/usr/bin/convert", *source, "-depth", "8", f"{kind}:{png}"], check=True)
                    ppm = subprocess.run(["/usr/bin/convert", str(png), "-depth", "8", "ppm:-"], check=True,
                                         capture_output=True).stdout
                    width, height, expected = _parse_ppm(ppm)
                    image = Image.load(png)
                    self.assertEqual((image.width, image.height), (width, height))
                    actual = [image.pixel(x, y) for y in range(height) for x in range(width)]
                    self.assertEqual(actual, expected)


def _parse_ppm(data):
    fields = data.split(maxsplit=4)
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4][:width * height * 3]
    return width, height, [tuple(pixels[i:i + 3]) for i in range(0, len(pixels), 3)]


class HarnessInWine:
    """The harness driving real Wine windows; a subclass per locale names LOCALE."""

    def click_target(self, rect, **options):
        target = self.wine.start_click_target(rect, **options)
        self.started.append(target.process)
        return target

    def sample_window(self, title=SAMPLE_TITLE):
        process = self.wine.launch(tool_path("sample_window"), "--title", title)
        self.started.append(process)
        return process, self.wine.wait_window(process, title=title)["hwnd"]

    # ----- session --------------------------------------------------------------------

    def test_session_runs_in_its_locale(self):
        expected = {"zh_CN.UTF-8": (936, "zh-CN"), "en_US.UTF-8": (1252, "en-US")}[self.LOCALE]
        info = self.wine.system_info()
        self.assertEqual((info["acp"], info["userLocale"]), expected)
        self.assertEqual((info["screenWidth"], info["screenHeight"]), SCREEN[:2])

    def test_exit_code_of_a_run(self):
        for code in (0, 3, 255):
            with self.subTest(code=code):
                self.assertEqual(self.wine.run("cmd", "/c", f"exit {code}"), code)

    # ----- windows read back ----------------------------------------------------------

    def test_inspector_reads_click_target_window(self):
        cases = [
            ((100, 80, 200, 150), {"title": "Target popup"}),
            ((0, 0, 1, 1), {"title": "Target one pixel"}),
            ((523, 411, 333, 222), {"title": "点击目标 窗口", "topmost": True}),
            ((300, 200, 320, 240), {"title": "Target framed", "framed": True}),
        ]
        for (x, y, w, h), options in cases:
            with self.subTest(rect=(x, y, w, h), **options):
                target = self.click_target((x, y, w, h), **options)
                found = self.wine.windows(title=options["title"])
                self.assertEqual(len(found), 1)
                window = found[0]
                self.assertEqual((window["hwnd"], window["pid"]), (target.hwnd, target.pid))
                self.assertEqual(window["class"], "QuorvelClickTarget")
                self.assertEqual(window["title"], options["title"])
                self.assertEqual(_rect(window["rect"]), (x, y, x + w, y + h))

                dumped = self.wine.dump(target.hwnd)
                self.assertEqual(dumped["text"], options["title"])
                self.assertTrue(dumped["exStyle"] & WS_EX_NOACTIVATE)
                self.assertEqual(bool(dumped["exStyle"] & WS_EX_TOPMOST), options.get("topmost", False))
                self.assertEqual(dumped["children"], [])
                self.assertTrue(dumped["visible"] and dumped["enabled"])
                if options.get("framed"):
                    self.assertTrue(dumped["style"] & WS_CAPTION)
                    client = _rect(dumped["client"])
                    self.assertTrue(x < client[0] and y < client[1] and client[2] < x + w and client[3] < y + h,
                                    client)
                else:
                    self.assertTrue(dumped["style"] & WS_POPUP)
                    self.assertEqual(_rect(dumped["client"]), (x, y, x + w, y + h))
                self.assertEqual(self.wine.x_window(title=options["title"]), window["xwindow"])
                self.assertEqual(target.close(), 0)

    def test_window_found_by_pid_and_gone_after_close(self):
        target = self.click_target((10, 10, 50, 50), title="Target by pid")
        self.assertEqual(target.process.windows_pid(), target.pid)
        (window,) = [w for w in self.wine.windows(pid=target.pid) if w["hwnd"] == target.hwnd]
        self.assertEqual(self.wine.x_windows(target.process), [window["xwindow"]])
        self.assertEqual(self.wine.windows(pid=target.pid, title="no such title"), [])
        self.wine.post(target.hwnd, WM_CLOSE)
        self.assertEqual(target.process.wait(), 0)
        self.assertEqual(self.wine.windows(title="Target by pid"), [])

    def test_sample_window_controls_read_back(self):
        _, hwnd = self.sample_window()
        window = self.wine.dump(hwnd)
        self.assertEqual((window["class"], window["title"]), ("QuorvelSampleWindow", SAMPLE_TITLE))
        self.assertEqual([c["id"] for c in window["children"]],
                         [EDIT_ID, OK_ID, CHECK_ID, COMBO_ID, LIST_BOX_ID, STATUS_ID, KEY_COUNTER_ID, LIST_VIEW_ID])
        expected = {
            EDIT_ID: ("Edit", "你好，世界", True, (10, 10, 210, 34)),
            OK_ID: ("Button", "确定", True, (220, 10, 300, 34)),
            CHECK_ID: ("Button", "Disabled check", False, (310, 10, 450, 34)),
            STATUS_ID: ("Static", "ready", True, (310, 44, 450, 64)),
            LIST_VIEW_ID: ("SysListView32", "", True, (10, 110, 450, 290)),
        }
        for control_id, (cls, text, enabled, rect) in expected.items():
            with self.subTest(control=control_id):
                control = child(window, control_id)
                self.assertEqual((control["class"], control["text"], control["enabled"], _rect(control["rect"])),
                                 (cls, text, enabled, rect))
        self.assertEqual(child(window, COMBO_ID)["comboBox"], {"currentSelection": 1,
                                                               "items": ["左键", "Right", "Middle"]})
        self.assertEqual(child(window, LIST_BOX_ID)["listBox"], {"currentSelection": -1, "items": ["一", "two"]})

        list_view = child(window, LIST_VIEW_ID)["listView"]
        self.assertEqual(list_view["extendedStyle"] & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
                         LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT)
        self.assertEqual([colorref_rgb(list_view[k]) for k in ("textColor", "textBkColor", "bkColor")],
                         [(1, 2, 3), (250, 251, 252), (240, 241, 242)])
        self.assertEqual([(c["text"], c["width"], c["fmt"]) for c in list_view["columns"]],
                         [("序号", 50, 0), ("X", 70, 1), ("Y", 80, 2)])
        self.assertEqual([r["texts"] for r in list_view["rows"]],
                         [["1", "100", "200"], ["2", "长" * 600 + "|end", "左键"], ["3", "", "0"]])
        self.assertEqual([r["lParam"] for r in list_view["rows"]], [7, -5, 0x7FFFFFFF])
        self.assertEqual([r["state"] & LVIS_SELECTED for r in list_view["rows"]], [0, LVIS_SELECTED, 0])
        self.assertEqual([c["class"] for c in child(window, LIST_VIEW_ID)["children"]], ["SysHeader32"])

    # ----- messages -------------------------------------------------------------------

    def test_posted_close_ends_click_target_with_zero(self):
        target = self.click_target((40, 40, 80, 80), title="Target to close")
        self.wine.post(target.hwnd, WM_CLOSE)
        self.assertEqual(target.process.wait(), 0)

    def test_full_exit_code_read_while_waiting(self):
        target = self.click_target((40, 40, 80, 80), title="Target exit code", exit_code=0x1234)
        answer = {}
        waiter = threading.Thread(target=lambda: answer.update(self.wine.process_info(target.pid, wait_ms=15000)))
        waiter.start()
        # The inspector must hold the process open before the process ends.
        wait_until(lambda: any(p["exe"] == "inspector.exe" for p in self.wine.processes()), 10,
                   "the waiting inspector to start")
        self.wine.post(target.hwnd, WM_CLOSE)
        waiter.join(30)
        self.assertEqual((answer["running"], answer["exitCode"]), (False, 0x1234))
        # Wine hands only the low byte on to the Linux parent.
        self.assertEqual(target.process.wait(), 0x34)

    def test_sent_messages_return_results_and_act(self):
        _, hwnd = self.sample_window()
        window = self.wine.dump(hwnd)
        self.assertEqual(self.wine.send(child(window, EDIT_ID)["hwnd"], WM_GETTEXTLENGTH), len("你好，世界"))
        for clicks in (1, 2):
            self.wine.send(child(window, OK_ID)["hwnd"], BM_CLICK)
            self.assertEqual(child(self.wine.dump(hwnd), STATUS_ID)["text"], f"clicked {clicks}")

    def test_inspector_reports_errors(self):
        cases = [
            ("dump", "0x7ffffff0"),
            ("no-such-command",),
            ("pixel", "ten", "20"),
            ("post", "1", "2"),
            ("version", windows_path("/nonexistent.exe")),
            ("icons", windows_path(tool_path("sample_window")), "NO_SUCH_GROUP"),
        ]
        for args in cases:
            with self.subTest(args=args):
                with self.assertRaises(InspectorError):
                    self.wine.inspect(*args)

    # ----- focus and keys -------------------------------------------------------------

    def test_focus_makes_window_foreground(self):
        _, sample = self.sample_window()
        target = self.click_target((600, 500, 120, 90), title="Target activatable", activatable=True)
        for hwnd in (sample, target.hwnd, sample):
            with self.subTest(hwnd=hwnd):
                self.wine.focus(hwnd)
                self.assertEqual(self.wine.foreground_hwnd(), hwnd)
        state = self.wine.foreground(sample)["thread"]
        self.assertEqual(state["active"], sample)
        self.assertEqual(state["focus"], child(self.wine.dump(sample), EDIT_ID)["hwnd"])

    def test_focus_times_out_on_a_window_that_never_activates(self):
        target = self.click_target((600, 500, 120, 90), title="Target never active")
        with self.assertRaisesRegex(WaitTimeout, "foreground"):
            self.wine.focus(target.hwnd, timeout=2)

    def test_keys_reach_the_focused_window(self):
        _, hwnd = self.sample_window()
        self.wine.focus(hwnd)
        self.wine.key("End")
        self.wine.type_text("Quorvel 42")
        edit = child(self.wine.dump(hwnd), EDIT_ID)
        self.assertEqual(edit["text"], "你好，世界Quorvel 42")
        downs, repeats, ups = key_counts(self.wine, hwnd)
        # End, then Q needs shift: 12 presses; nothing was held long enough to repeat.
        self.assertEqual((downs, repeats, ups), (12, 0, 12))

    def test_held_key_repeats_at_the_servers_rate(self):
        _, hwnd = self.sample_window()
        self.wine.focus(hwnd)
        delay_ms, interval_ms = self.wine.autorepeat
        held = 1.5
        self.wine.hold_key("Left", held)
        downs, repeats, ups = key_counts(self.wine, hwnd)
        expected = (held * 1000 - delay_ms) / interval_ms
        self.assertEqual((downs, ups), (1, 1))
        self.assertTrue(expected * 0.6 <= repeats <= expected * 1.3,
                        f"{repeats} repeats, about {expected:.0f} expected")

    # ----- mouse and screen -----------------------------------------------------------

    def test_clicks_arrive_once_at_their_points(self):
        x, y, w, h = 50, 60, 400, 300
        target = self.click_target((x, y, w, h), title="Target clicks")
        cases = [
            (x, y, "left"),
            (x + w - 1, y + h - 1, "left"),
            (x + 123, y + 45, "right"),
            (x + w // 2, y + h // 2, "middle"),
            (x + 7, y + h - 1, "x1"),
        ]
        for px, py, button in cases:
            with self.subTest(point=(px, py), button=button):
                before = len(target.records())
                self.wine.click(px, py, button=button)
                records = target.wait_for_records(before + 2)[before:]
                self.assertEqual([(r.button, r.action, r.x, r.y) for r in records],
                                 [(button, "down", px, py), (button, "up", px, py)])
                self.assertLessEqual(records[0].t, records[1].t)

    def test_click_outside_the_target_is_not_logged(self):
        x, y, w, h = 50, 60, 200, 100
        target = self.click_target((x, y, w, h), title="Target outside")
        self.wine.click(x + w, y + h)
        self.wine.click(x + 1, y + 1)
        records = target.wait_for_records(2)
        self.assertEqual([(r.action, r.x, r.y) for r in records], [("down", x + 1, y + 1), ("up", x + 1, y + 1)])

    def test_quick_second_click(self):
        cases = [(False, ["down", "up", "down", "up"]), (True, ["down", "up", "dbl", "up"])]
        for dblclks, actions in cases:
            with self.subTest(dblclks=dblclks):
                target = self.click_target((300, 300, 100, 100), title=f"Target dblclks {dblclks}", dblclks=dblclks)
                self.wine.click(350, 350, repeat=2, delay_ms=50)
                records = target.wait_for_records(4)
                self.assertEqual([r.action for r in records], actions)
                times = [r.t for r in records]
                self.assertEqual(times, sorted(times))
                self.assertEqual(target.close(), 0)

    def test_cursor_position_follows_mouse_moves(self):
        for point in ((0, 0), (1023, 767), (512, 300), (17, 700)):
            with self.subTest(point=point):
                self.wine.move_mouse(*point)
                self.assertEqual(self.wine.cursor_pos(), point)

    def test_screen_colours_read_two_ways(self):
        cases = [((255, 0, 0), (20, 20)), ((0, 128, 255), (200, 150)), ((17, 34, 51), (900, 700))]
        for color, (x, y) in cases:
            with self.subTest(color=color):
                target = self.click_target((x, y, 40, 30), title=f"Target colour {color}", color=color, topmost=True)
                point = (x + 20, y + 15)
                wait_until(lambda: self.wine.screen_pixel(*point) == color, 5, f"{color} at {point} on the screen")
                self.assertEqual(self.wine.screenshot_pixel(*point), color)
                self.assertEqual(target.close(), 0)

    # ----- processes ------------------------------------------------------------------

    def test_process_figures_are_plausible(self):
        started = time.monotonic()
        target = self.click_target((40, 40, 80, 80), title="Target figures")
        first = self.wine.process_info(target.pid)
        linux = target.process.linux_stats()
        self.assertEqual((first["pid"], first["running"], first["exitCode"]), (target.pid, True, None))
        self.assertTrue(1 << 20 <= first["workingSet"] <= first["peakWorkingSet"] < 1 << 30, first)
        # The same memory seen from Linux: the figures are bytes of this very process.
        self.assertAlmostEqual(first["workingSet"] / linux["residentBytes"], 1, delta=0.25)
        for key in ("gdiObjects", "userObjects", "handles"):
            self.assertTrue(first[key] is None or first[key] >= 0, first)
        cpu_bound_ms = (time.monotonic() - started) * 1000 * os.cpu_count() + 100
        self.assertTrue(0 <= first["userMs"] + first["kernelMs"] <= cpu_bound_ms, first)

        for _ in range(20):
            self.wine.click(60, 60)
        target.wait_for_records(40)
        second = self.wine.process_info(target.pid)
        self.assertGreaterEqual(second["peakWorkingSet"], first["peakWorkingSet"])
        later = target.process.linux_stats()
        self.assertGreaterEqual(later["userMs"] + later["kernelMs"], linux["userMs"] + linux["kernelMs"])
        self.assertGreaterEqual(later["threads"], 1)

    def test_processes_carry_their_environment_tag(self):
        target = self.click_target((40, 40, 80, 80), title="Target tag")
        entries = [p for p in self.wine.processes(env="QUORVEL_HARNESS_TAG") if p["env"] == target.process.tag]
        self.assertEqual([(p["pid"], p["exe"]) for p in entries], [(target.pid, "click_target.exe")])
        self.assertIn("Target tag", entries[0]["commandLine"])

    # ----- exe resources --------------------------------------------------------------

    def test_version_record(self):
        info = self.wine.version_info(tool_path("sample_window"))
        fixed = info["fixed"]
        self.assertEqual((fixed["signature"], fixed["fileVersion"], fixed["productVersion"]),
                         (0xFEEF04BD, "1.2.3.4", "5.6.7.8"))
        self.assertEqual((fixed["fileVersionMS"], fixed["fileVersionLS"]), (0x10002, 0x30004))
        self.assertEqual((fixed["fileFlags"], fixed["fileOS"], fixed["fileType"]), (0x2, 0x40004, 0x1))
        self.assertEqual([(t["language"], t["codepage"]) for t in info["translations"]],
                         [(0x0804, 1200), (0x0409, 1200)])
        self.assertEqual(info["stringTables"], [
            {"key": "080404b0", "strings": [
                ["ProductName", "昆沃样例"],
                ["CompanyName", "测试公司"],
                ["FileDescription", "Quorvel 样例窗口"],
                ["FileVersion", "1.2.3.4"],
                ["Comments", "\U00020000 outside the BMP"],
                ["PrivateBuild", ""],
                ["LegalCopyright", "© 2024 测试"],
            ]},
            {"key": "040904b0", "strings": [
                ["FileDescription", "Quorvel sample window"],
                ["ProductName", "Quorvel sample"],
            ]},
        ])

    def test_icon_groups_match_the_icon_file(self):
        exe = tool_path("sample_window")
        expected = _ico_directory(exe.parent / "sample.ico")
        groups = {g["name"]: g for g in self.wine.icon_groups(exe)}
        self.assertEqual(set(groups), {"#1", "QUORVEL_ALT"})
        for name in ("#1", "1", "QUORVEL_ALT"):
            with self.subTest(name=name):
                (group,) = self.wine.icon_groups(exe, name)
                self.assertEqual(group, groups["#" + name if name.isdigit() else name])
                entries = group["entries"]
                self.assertEqual([(e["width"], e["height"], e["colorCount"], e["planes"], e["bitCount"], e["bytes"])
                                  for e in entries], expected)
                for entry in entries:
                    image = entry["image"]
                    size = entry["width"] or 256
                    self.assertEqual((image["bytes"], image["width"], image["height"]), (entry["bytes"], size, size))
                    self.assertEqual(image["format"], "png" if size == 256 else "bmp")


def _rect(r):
    return r["left"], r["top"], r["right"], r["bottom"]


def _ico_directory(path):
    data = path.read_bytes()
    _, _, count = struct.unpack_from("<HHH", data)
    entries = []
    for i in range(count):
        width, height, colors, _, planes, bits, size, _ = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        entries.append((width, height, colors, planes, bits, size))
    return entries


class EnglishLocaleTest(HarnessInWine, SessionTestCase):
    LOCALE = "en_US.UTF-8"


class ChineseLocaleTest(HarnessInWine, SessionTestCase):
    LOCALE = "zh_CN.UTF-8"


def _processes_with_prefix(prefix):
    """Linux pids whose environment names this WINEPREFIX."""
    wanted = f"WINEPREFIX={prefix}".encode()
    found = []
    for entry in Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and wanted in (entry / "environ").read_bytes().split(b"\0"):
                found.append(int(entry.name))
        except OSError:
            pass
    return found


class SessionLifeTest(unittest.TestCase):
    def test_close_ends_everything_and_a_busy_display_is_skipped(self):
        with tempfile.TemporaryDirectory() as logs:
            busy, taken = start_xvfb(DEFAULT_DISPLAYS, logs)
            try:
                wine = WineSession(displays=[taken, *DEFAULT_DISPLAYS]).start()
                try:
                    self.assertNotEqual(wine.display, f":{taken}")
                    target = wine.start_click_target((10, 10, 30, 30), title="Target life")
                    prefix = wine.prefix
                    pids = wine.pids()
                    self.assertIn(target.process.unix_pid, pids)
                    self.assertGreater(len(_processes_with_prefix(prefix)), len(pids))
                    tmp = wine.tmp
                finally:
                    wine.close()
                self.assertFalse(tmp.exists())
                self.assertEqual([pid for pid in pids if Path(f"/proc/{pid}").exists()], [])
                # Wine's own services, started by wineboot, end with the server.
                self.assertEqual(_processes_with_prefix(prefix), [])
                self.assertIsNone(busy.poll())
            finally:
                busy.terminate()
                busy.wait(10)

    def test_missing_build_folder_is_named(self):
        saved = os.environ.pop("QUORVEL_BUILD_DIR", None)
        try:
            with self.assertRaisesRegex(HarnessError, "QUORVEL_BUILD_DIR"):
                tool_path("inspector")
        finally:
            if saved is not None:
                os.environ["QUORVEL_BUILD_DIR"] = saved


if __name__ == "__main__":
    unittest.main()
