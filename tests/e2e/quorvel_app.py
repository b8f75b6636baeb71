"""quorvel.exe in a WineSession: started, read through the inspector and driven with real keys.

    with WineSession() as wine:
        app = Quorvel.launch(wine)
        app.record("F7", 100, 120)
        app.rows()  # [("右键单击", "100", "120", 1)]

Control ids are the toolkit's: 100 plus the control's place in its form.
"""

import time

from wine_session import (
    HarnessError, InspectorError, SessionTestCase, build_dir, tool_path, wait_until, windows_path,
)

MAIN_TITLE = "Quorvel-by:Tiryn v1.1"
HELP_TITLE = "帮助"
BOX_TITLE = "提示"
BOX_TEXT = "请选择鼠标点击位置！"

# Main window controls, in form order.
HINT_LABEL, INTERVAL_EDIT, INTERVAL_LABEL, STOP_BUTTON, CLICK_TIMER, POINT_LIST, HELP_BUTTON, START_BUTTON = \
    range(100, 108)
# Help window controls.
SITE_LABEL, SITE_LINK, HELP_TEXT_LABEL = range(100, 103)

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_HOTKEY = 0x0312
IDOK = 1

# WM_HOTKEY lParams: the key in the high word, the modifiers in the low.
CTRL_S = 0x00530002
CTRL_Q = 0x00510002
F6 = 0x00750000
F7 = 0x00760000


def quorvel_exe():
    return build_dir() / "quorvel.exe"


def child(window, control_id):
    """A child of an inspector dump by control id."""
    for c in window["children"]:
        if c["id"] == control_id:
            return c
    raise HarnessError(f"no control {control_id} in window {window['hwnd']}")


class Quorvel:
    """One running copy of the program."""

    def __init__(self, wine, process, hwnd):
        self.wine = wine
        self.process = process
        self.hwnd = hwnd

    @classmethod
    def launch(cls, wine, timeout=20.0):
        process = wine.launch(quorvel_exe())
        window = wine.wait_window(process=process, title=MAIN_TITLE, timeout=timeout)
        return cls(wine, process, window["hwnd"])

    @property
    def pid(self):
        return self.process.windows_pid()

    # ----- reading -------------------------------------------------------------------

    def dump(self):
        return self.wine.dump(self.hwnd)

    def control(self, control_id, window=None):
        return child(window or self.dump(), control_id)

    def rows(self, window=None):
        """The point list as (button text, x text, y text, item value) tuples."""
        rows = self.control(POINT_LIST, window)["listView"]["rows"]
        return [(*row["texts"], row["lParam"]) for row in rows]

    def wait_rows(self, count, timeout=5.0):
        return wait_until(lambda: (lambda r: r if len(r) >= count else None)(self.rows()), timeout,
                          f"{count} rows in the point list")

    def state(self, window=None):
        """'idle', 'running' or a description of controls in neither state."""
        window = window or self.dump()
        start, stop, edit = (child(window, i)["enabled"] for i in (START_BUTTON, STOP_BUTTON, INTERVAL_EDIT))
        if start and not stop and edit:
            return "idle"
        if not start and stop and not edit:
            return "running"
        return f"start={start} stop={stop} edit={edit}"

    def wait_state(self, state, timeout=5.0):
        return wait_until(lambda: self.state() == state, timeout, f"the controls to show {state}")

    def screen_center(self, control_id, window=None):
        """The screen point at the middle of a control."""
        window = window or self.dump()
        rect = child(window, control_id)["rect"]
        client = window["client"]
        return (client["left"] + (rect["left"] + rect["right"]) // 2,
                client["top"] + (rect["top"] + rect["bottom"]) // 2)

    def message_box(self, timeout=5.0):
        """The refusal's message box of this process, once it is shown."""
        pid = self.pid
        return self.wine.wait_window(pid=pid, title=BOX_TITLE, cls="#32770", timeout=timeout)

    def help_window(self, timeout=5.0):
        return self.wine.wait_window(pid=self.pid, title=HELP_TITLE, cls="QuorvelForm", timeout=timeout)

    # ----- driving -------------------------------------------------------------------

    def focus(self, hwnd=None):
        """Gives the keyboard focus to the main window (or another of ours): hotkeys under Wine
        reach the program only while a window of the prefix has it."""
        hwnd = hwnd or self.hwnd
        if self.wine.foreground_hwnd() != hwnd:
            self.wine.focus(hwnd)

    def press(self, *keys):
        self.wine.key(*keys)

    def record(self, key, x, y):
        """Moves the pointer to (x, y) and presses F6 or F7; waits for the new row."""
        before = len(self.rows())
        self.wine.move_mouse(x, y)
        wait_until(lambda: self.wine.cursor_pos() == (x, y), 5, f"the pointer at {(x, y)}")
        self.press(key)
        return self.wait_rows(before + 1)

    def set_interval(self, text):
        edit = self.control(INTERVAL_EDIT)["hwnd"]
        self.wine.inspect("settext", edit, text)

    def click_control(self, control_id, window=None):
        x, y = self.screen_center(control_id, window)
        self.wine.click(x, y)

    def post_hotkey(self, wparam, lparam):
        self.wine.post(self.hwnd, WM_HOTKEY, wparam, lparam)

    def close(self):
        """Posts WM_CLOSE and returns the exit code."""
        self.wine.post(self.hwnd, WM_CLOSE)
        return self.exit_code()

    def exit_code(self, timeout=10.0):
        """The exit code once the process has ended: the full 32 bits through the inspector
        while Windows still has the process; once it is gone, the low byte that Wine hands to
        Linux, read as signed (-1 comes back as 255)."""
        try:
            if self.process.poll() is None:
                info = self.wine.process_info(self.pid, wait_ms=int(timeout * 1000))
                if info.get("exitCode") is not None:
                    return info["exitCode"]
        except InspectorError:
            pass  # ended between the look and the inspector's start
        code = self.process.wait(timeout)
        return code - 256 if code > 127 else code


class HotkeyHolder:
    """hotkey_holder.exe: another program holding hotkeys, which it got, and what reached it."""

    def __init__(self, wine, *combinations):
        """Starts it with (modifiers, key) pairs and waits until it has tried them."""
        self.wine = wine
        self.log = wine.tmp / "logs" / f"holder-{time.monotonic_ns()}.log"
        self.process = wine.launch(tool_path("hotkey_holder"), "--log", windows_path(self.log),
                                   *[f"{m}:{k}" for m, k in combinations])
        ready = wait_until(lambda: self.log.exists() and self.log.read_text().startswith("ready") and
                           self.log.read_text().splitlines()[0].split(), 10, "hotkey_holder to try its hotkeys")
        self.hwnd = int(ready[1])
        self.results = ready[2:]

    def received(self):
        """[id, lParam] of each WM_HOTKEY it received, as texts."""
        return [line.split()[1:] for line in self.log.read_text().splitlines() if line.startswith("hotkey")]

    def close(self):
        self.wine.post(self.hwnd, WM_CLOSE)
        return self.process.wait()


ALL_FOUR = ((0x2, 0x53), (0x2, 0x51), (0, 0x75), (0, 0x76))  # Ctrl+S, Ctrl+Q, F6, F7


class QuorvelTestCase(SessionTestCase):
    """One Wine session per class; copies of the program a test launches end with it."""

    def launch(self):
        app = Quorvel.launch(self.wine)
        self.started.append(app.process)
        return app

    def assert_hotkeys_free(self):
        """Another program can take all four combinations: no copy of ours holds them."""
        holder = HotkeyHolder(self.wine, *ALL_FOUR)
        self.started.append(holder.process)
        self.assertEqual(holder.results, ["ok", "ok", "ok", "ok"])
        holder.close()
