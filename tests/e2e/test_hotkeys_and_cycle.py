"""The hotkeys and the click cycle on the real exe, seen by a window of another process.

    QUORVEL_BUILD_DIR=build/win32 python3 -m unittest -v test_hotkeys_and_cycle

Under Wine without a window manager, hotkeys reach a program only while a window of the same
prefix has the keyboard focus, so each test first focuses one of the clicker's windows (or
another Wine window, where that is the point). The click target lies left of the main window
and never takes the focus.
"""

import statistics
import time
import unittest

from quorvel_app import (
    BOX_TEXT, CTRL_Q, CTRL_S, F7, IDOK, START_BUTTON, WM_COMMAND, HotkeyHolder, QuorvelTestCase, child,
)
from wine_session import wait_until

TARGET = (0, 0, 340, 768)  # left of the main window at (364, 192)


def clicks(records):
    """(button, action, x, y) of a click target's records."""
    return [(r.button, r.action, r.x, r.y) for r in records]


def press_and_release(button, x, y):
    return [(button, "down", x, y), (button, "up", x, y)]


class RecordingTest(QuorvelTestCase):
    def test_f6_and_f7_add_rows_at_the_pointer_in_order(self):
        app = self.launch()
        app.focus()
        steps = [("F7", 640, 480), ("F6", 10, 20), ("F6", 10, 20), ("F7", 1023, 767), ("F6", 0, 0)]
        for key, x, y in steps:
            app.record(key, x, y)
        expected = [("右键单击" if key == "F7" else "左键单击", str(x), str(y), 1 if key == "F7" else 0)
                    for key, x, y in steps]
        self.assertEqual(app.rows(), expected)
        self.assertEqual(app.state(), "idle")

    def test_the_pointer_cannot_leave_the_screen_here(self):
        # Negative coordinates need a monitor left of or above the primary one; Xvfb's one
        # screen has none, so the pointer stops at the edge and the row says 0.
        app = self.launch()
        app.focus()
        self.wine.xdotool("mousemove", "--", -40, -25)
        if self.wine.cursor_pos() != (0, 0):
            self.skipTest("this display reaches negative coordinates")
        app.press("F6")
        self.assertEqual(app.wait_rows(1), [("左键单击", "0", "0", 0)])


class ClickCycleTest(QuorvelTestCase):
    def test_the_rows_are_clicked_in_order_cyclically_one_per_interval(self):
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        app.focus()
        points = [("F6", 50, 100), ("F7", 200, 300), ("F6", 300, 700)]
        for key, x, y in points:
            app.record(key, x, y)
        app.set_interval("200")
        app.press("ctrl+s")
        app.wait_state("running")
        records = target.wait_for_records(14, timeout=10)  # 7 clicks

        presses = [r for r in records if r.action == "down"]
        expected_cycle = [("left" if key == "F6" else "right", x, y) for key, x, y in points]
        for i, press in enumerate(presses[:7]):
            self.assertEqual((press.button, press.x, press.y), expected_cycle[i % 3], i)
        # Each press is followed at once by its release at the same point.
        for down, up in zip(records[0:14:2], records[1:14:2]):
            self.assertEqual((down.button, down.action, down.x, down.y), (up.button, "down", up.x, up.y))
            self.assertEqual(up.action, "up")
        periods = [b.t - a.t for a, b in zip(presses, presses[1:7])]
        self.assertAlmostEqual(statistics.median(periods), 200, delta=40)

        app.press("ctrl+q")
        app.wait_state("idle")
        count = len(target.records())
        time.sleep(0.7)
        self.assertEqual(len(target.records()), count, "a click came after Stop")

    def test_start_with_an_empty_list_is_refused_with_a_message(self):
        app = self.launch()
        app.focus()
        app.press("ctrl+s")
        box = app.message_box()
        texts = [c["text"] for c in self.wine.dump(box["hwnd"])["children"]]
        self.assertIn(BOX_TEXT, texts)
        self.assertEqual(app.state(), "running")  # the controls flip before the box shows
        self.assertFalse(app.dump()["enabled"])   # the box is modal to the program
        self.wine.focus(box["hwnd"])
        self.wine.key("Return")
        app.wait_state("idle")
        self.assertEqual(self.wine.windows(pid=app.pid, title="提示"), [])
        self.assertTrue(app.dump()["enabled"])

    def test_a_start_inside_the_refusal_keeps_the_running_controls(self):
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        app.focus()
        app.set_interval("100")
        self.wine.move_mouse(100, 100)
        app.press("ctrl+s")
        box = app.message_box()
        self.wine.focus(box["hwnd"])
        app.press("F6")          # records a row from inside the box's loop
        app.press("ctrl+s")      # and starts the cycle there
        target.wait_for_records(2, timeout=5)
        self.wine.post(box["hwnd"], WM_COMMAND, IDOK, 0)
        wait_until(lambda: not self.wine.windows(pid=app.pid, title="提示"), 5, "the box to close")
        self.assertEqual(app.state(), "running")
        before = len(target.records())
        target.wait_for_records(before + 2, timeout=5)  # still clicking
        app.focus()
        app.press("ctrl+q")
        app.wait_state("idle")

    def test_posted_hotkeys_act_only_on_their_exact_combination(self):
        app = self.launch()
        app.focus()
        app.record("F6", 100, 100)
        app.post_hotkey(1, CTRL_Q)  # Start's id with Stop's keys
        app.post_hotkey(3, F7)      # F6's id with F7's keys
        app.post_hotkey(1, CTRL_S | 0x4)  # Ctrl+Shift+S
        time.sleep(0.5)
        self.assertEqual(app.state(), "idle")
        self.assertEqual(len(app.rows()), 1)
        app.post_hotkey(1, CTRL_S)
        app.wait_state("running")
        app.post_hotkey(1, CTRL_Q)
        time.sleep(0.5)
        self.assertEqual(app.state(), "running")
        app.post_hotkey(2, CTRL_Q)
        app.wait_state("idle")
        app.post_hotkey(4, F7)
        app.wait_rows(2)


class OtherProgramsTest(QuorvelTestCase):
    def test_ctrl_s_held_by_another_program_leaves_the_rest_working(self):
        holder = HotkeyHolder(self.wine, (0x2, 0x53))
        self.started.append(holder.process)
        self.assertEqual(holder.results, ["ok"])
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        app.focus()
        app.record("F6", 60, 60)
        app.press("ctrl+s")
        wait_until(lambda: holder.received() == [["1", str(CTRL_S)]], 5, "the holder to receive Ctrl+S")
        self.assertEqual(app.state(), "idle")

        app.set_interval("100")
        app.click_control(START_BUTTON)
        app.wait_state("running")
        target.wait_for_records(2)
        app.press("ctrl+q")
        app.wait_state("idle")
        app.record("F7", 70, 70)
        self.assertEqual([r[3] for r in app.rows()], [0, 1])
        self.assertEqual(holder.close(), 0)

    def test_a_second_copy_gets_no_hotkeys_and_leaves_the_first_alone(self):
        first = self.launch()
        second = self.launch()
        self.wine.focus(second.hwnd)
        self.wine.move_mouse(30, 40)
        self.wine.key("F6")
        first.wait_rows(1)
        time.sleep(0.3)
        self.assertEqual(second.rows(), [])

        # The second copy's own Start button finds its list empty.
        second.click_control(START_BUTTON)
        box = second.message_box()
        self.wine.post(box["hwnd"], WM_COMMAND, IDOK, 0)
        second.wait_state("idle")
        self.assertEqual(first.state(), "idle")

        self.assertEqual(first.close(), 0)
        second.close()

        # With both gone, all four combinations are free again.
        self.assert_hotkeys_free()

    def test_a_new_copy_registers_all_four_after_the_first_closes(self):
        first = self.launch()
        self.assertEqual(first.close(), 0)
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        app.focus()
        app.record("F6", 80, 90)
        app.record("F7", 81, 91)
        app.set_interval("100")
        app.press("ctrl+s")
        app.wait_state("running")
        target.wait_for_records(2)
        app.press("ctrl+q")
        app.wait_state("idle")


class ClosingTest(QuorvelTestCase):
    def test_escape_while_the_cycle_runs_ends_the_program_without_a_later_click(self):
        app = self.launch()
        target = self.wine.start_click_target(TARGET)
        app.focus()
        app.record("F6", 150, 150)
        app.record("F7", 151, 152)
        app.set_interval("50")
        app.press("ctrl+s")
        target.wait_for_records(6)
        app.press("Escape")
        self.assertEqual(app.exit_code(), 0)
        count = len(target.records())
        time.sleep(0.5)
        self.assertEqual(len(target.records()), count, "a click came after the window closed")
        # The hotkeys went with the window.
        self.assert_hotkeys_free()

    def test_the_next_run_starts_empty(self):
        app = self.launch()
        app.focus()
        app.record("F6", 5, 5)
        self.assertEqual(app.close(), 0)
        again = self.launch()
        window = again.dump()
        self.assertEqual(again.rows(window), [])
        self.assertEqual(child(window, 101)["text"], "1000")
        self.assertEqual(again.state(window), "idle")


if __name__ == "__main__":
    unittest.main()
