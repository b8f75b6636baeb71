"""The main window as the program builds it, read from another process, and its keyboard focus.

    QUORVEL_BUILD_DIR=build/win32 python3 -m unittest -v test_main_window

QUORVEL_LOCALES (comma-separated, default both) names the locales to run under.
"""

import unittest

from quorvel_app import (
    HELP_BUTTON, HINT_LABEL, INTERVAL_EDIT, INTERVAL_LABEL, MAIN_TITLE, POINT_LIST, START_BUTTON, STOP_BUTTON,
    CLICK_TIMER, Quorvel, QuorvelTestCase, child, quorvel_exe,
)
from wine_session import SessionTestCase, wait_until

WS_CHILD, WS_VISIBLE, WS_DISABLED = 0x40000000, 0x10000000, 0x08000000
WS_CLIPSIBLINGS, WS_CLIPCHILDREN = 0x04000000, 0x02000000
WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_TABSTOP, WS_POPUP = 0x00020000, 0x00010000, 0x00010000, 0x80000000
WS_EX_CLIENTEDGE, WS_EX_WINDOWEDGE = 0x200, 0x100
ES_MULTILINE, ES_UPPERCASE, ES_LOWERCASE, ES_PASSWORD = 0x4, 0x8, 0x10, 0x20
ES_AUTOHSCROLL, ES_NOHIDESEL, ES_READONLY, ES_NUMBER = 0x80, 0x100, 0x800, 0x2000
BS_TYPEMASK, BS_CENTER, BS_VCENTER, BS_MULTILINE = 0xF, 0x300, 0xC00, 0x2000
LVS_TYPEMASK, LVS_REPORT, LVS_SINGLESEL, LVS_SHOWSELALWAYS = 0x3, 0x1, 0x4, 0x8
LVS_SORTASCENDING, LVS_SORTDESCENDING, LVS_EDITLABELS, LVS_NOSORTHEADER = 0x10, 0x20, 0x200, 0x8000
LVS_EX_GRIDLINES, LVS_EX_SUBITEMIMAGES, LVS_EX_FULLROWSELECT, LVS_EX_INFOTIP = 0x1, 0x2, 0x20, 0x400

# id, class, left, top, width, height, text, enabled, visible, tab stop
CONTROLS = [
    (HINT_LABEL, "QuorvelLabel", 8, 320, 200, 24, "F7设置右键单击，F6键设置左键单击", True, True, False),
    (INTERVAL_EDIT, "Edit", 221, 18, 51, 24, "1000", True, True, True),
    (INTERVAL_LABEL, "QuorvelLabel", 184, 15, 32, 32, "间隔：", True, True, False),
    (STOP_BUTTON, "Button", 100, 16, 80, 32, "结束(Ctrl+Q)", False, True, True),
    (POINT_LIST, "SysListView32", 8, 56, 272, 256, "", True, True, True),
    (HELP_BUTTON, "Button", 209, 316, 63, 29, "帮助", True, True, True),
    (START_BUTTON, "Button", 6, 16, 88, 32, "开始(Ctrl+S)", True, True, True),
]


def size(rect):
    return rect["right"] - rect["left"], rect["bottom"] - rect["top"]


class MainWindowInWine:
    """One copy of the program, read back; a subclass per locale names LOCALE."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.app = Quorvel.launch(cls.wine)
        cls.window = cls.app.dump()

    def test_the_window_is_fixed_centred_and_titled(self):
        w = self.window
        system = self.wine.system_info()
        self.assertEqual((system["screenWidth"], system["screenHeight"]), (1024, 768))
        self.assertEqual(w["class"], "QuorvelForm")
        self.assertEqual(w["title"], MAIN_TITLE)
        self.assertEqual((w["rect"]["left"], w["rect"]["top"]), (364, 192))
        self.assertEqual(size(w["rect"]), (295, 383))
        # The client area lies inside the frame and under the title bar.
        self.assertLess(size(w["client"])[0], 295)
        self.assertLess(size(w["client"])[1], 383 - 15)
        self.assertGreater(w["client"]["left"], w["rect"]["left"])
        self.assertGreater(w["client"]["top"], w["rect"]["top"] + 15)
        for bit in (WS_CAPTION, WS_SYSMENU, WS_CLIPCHILDREN, WS_VISIBLE):
            self.assertEqual(w["style"] & bit, bit, hex(bit))
        for bit in (WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_POPUP, WS_CHILD):
            self.assertEqual(w["style"] & bit, 0, hex(bit))
        # No extended style of ours; the system adds the raised edge of every captioned window.
        self.assertEqual(w["exStyle"] & ~WS_EX_WINDOWEDGE, 0)
        self.assertEqual(w["owner"], 0)

    def test_controls_stand_in_form_order_as_the_form_says(self):
        children = self.window["children"]
        self.assertEqual([c["id"] for c in children], list(range(100, 108)))
        for cid, cls, left, top, width, height, text, enabled, visible, tab_stop in CONTROLS:
            with self.subTest(control=cid):
                c = child(self.window, cid)
                self.assertEqual(c["class"], cls)
                self.assertEqual((c["rect"]["left"], c["rect"]["top"]), (left, top))
                self.assertEqual(size(c["rect"]), (width, height))
                self.assertEqual(c["text"], text)
                self.assertEqual(c["enabled"], enabled)
                self.assertEqual(c["visible"], visible)
                self.assertEqual(bool(c["style"] & WS_TABSTOP), tab_stop)
        timer = child(self.window, CLICK_TIMER)
        self.assertFalse(timer["visible"])
        self.assertFalse(timer["style"] & WS_TABSTOP)

    def test_the_edit_box_takes_any_text_on_one_line(self):
        edit = child(self.window, INTERVAL_EDIT)
        self.assertEqual(edit["style"] & ES_AUTOHSCROLL, ES_AUTOHSCROLL)
        for bit in (ES_MULTILINE, ES_UPPERCASE, ES_LOWERCASE, ES_PASSWORD, ES_NOHIDESEL, ES_READONLY, ES_NUMBER):
            self.assertEqual(edit["style"] & bit, 0, hex(bit))
        self.assertEqual(edit["exStyle"] & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE)

    def test_buttons_are_plain_push_buttons_with_centred_wrapping_text(self):
        for cid in (STOP_BUTTON, HELP_BUTTON, START_BUTTON):
            with self.subTest(control=cid):
                style = child(self.window, cid)["style"]
                self.assertEqual(style & BS_TYPEMASK, 0)  # BS_PUSHBUTTON, not the default button
                for bit in (BS_CENTER, BS_VCENTER, BS_MULTILINE):
                    self.assertEqual(style & bit, bit, hex(bit))

    def test_the_point_list_is_a_plain_report_with_three_columns(self):
        lv = child(self.window, POINT_LIST)
        style = lv["style"]
        self.assertEqual(style & LVS_TYPEMASK, LVS_REPORT)
        for bit in (LVS_SINGLESEL, LVS_NOSORTHEADER, WS_TABSTOP, WS_CLIPSIBLINGS, WS_CLIPCHILDREN, WS_CHILD):
            self.assertEqual(style & bit, bit, hex(bit))
        for bit in (LVS_SHOWSELALWAYS, LVS_EDITLABELS, LVS_SORTASCENDING, LVS_SORTDESCENDING):
            self.assertEqual(style & bit, 0, hex(bit))
        self.assertEqual(lv["exStyle"] & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE)
        view = lv["listView"]
        self.assertEqual(view["extendedStyle"],
                         LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES)
        self.assertEqual((view["textColor"], view["textBkColor"], view["bkColor"]), (0, 0xFFFFFF, 0xFFFFFF))
        self.assertEqual([(c["text"], c["width"], c["fmt"]) for c in view["columns"]],
                         [("按键", 98, 0), ("X位", 85, 2), ("Y位", 85, 2)])
        self.assertEqual(view["rows"], [])

    def test_the_start_button_has_the_focus_when_first_shown(self):
        thread = self.wine.foreground(self.app.hwnd)["thread"]
        self.assertEqual(thread["focus"], child(self.window, START_BUTTON)["hwnd"])

    def test_the_exe_carries_its_version_record_and_icons(self):
        info = self.wine.version_info(quorvel_exe())
        fixed = info["fixed"]
        self.assertEqual((fixed["fileVersion"], fixed["productVersion"]), ("1.0.0.0", "1.0.0.0"))
        self.assertEqual((fixed["fileFlagsMask"], fixed["fileFlags"], fixed["fileOS"], fixed["fileType"],
                          fixed["fileSubtype"], fixed["fileDateMS"], fixed["fileDateLS"]), (0, 0, 4, 1, 0, 0, 0))
        self.assertEqual(info["translations"], [{"language": 0x0804, "codepage": 0x04B0}])
        self.assertEqual([t["key"] for t in info["stringTables"]], ["080404B0"])
        self.assertEqual([tuple(s) for s in info["stringTables"][0]["strings"]], [
            ("FileVersion", "1.0.0.0"), ("FileDescription", "解放你的双手"), ("ProductName", "Quorvel1.0"),
            ("ProductVersion", "1.0.0.0"), ("CompanyName", "Tiryn")])

        group = self.wine.icon_groups(quorvel_exe(), "DEFAULT_ICON")[0]
        self.assertEqual([(e["width"] or 256, e["height"] or 256, e["bitCount"]) for e in group["entries"]], [
            (32, 32, 1), (48, 48, 4), (48, 48, 8), (32, 32, 8), (16, 16, 8),
            (128, 128, 32), (48, 48, 32), (32, 32, 32), (16, 16, 32)])
        for entry in group["entries"]:
            self.assertIsNotNone(entry["image"], entry)


class MainWindowEnglishTest(MainWindowInWine, SessionTestCase):
    LOCALE = "en_US.UTF-8"


class MainWindowChineseTest(MainWindowInWine, SessionTestCase):
    LOCALE = "zh_CN.UTF-8"


class KeyboardFocusTest(QuorvelTestCase):
    """Tab order, Esc, and the focus given back when the window is reactivated."""

    def setUp(self):
        super().setUp()
        self.app = self.launch()
        self.ids = {c["hwnd"]: c["id"] for c in self.app.dump()["children"]}

    def focused(self):
        return self.ids.get(self.wine.foreground(self.app.hwnd)["thread"]["focus"])

    def tab_until(self, control_id, key="Tab"):
        for _ in range(6):
            if self.focused() == control_id:
                return
            self.wine.key(key)
        self.fail(f"{key} never reached control {control_id}")

    def test_tab_goes_through_the_enabled_controls_in_reverse_form_order(self):
        self.app.focus()
        seen = [self.focused()]
        for _ in range(4):
            self.wine.key("Tab")
            seen.append(wait_until(self.focused, 3, "a focused control"))
        self.assertEqual(seen, [START_BUTTON, HELP_BUTTON, POINT_LIST, INTERVAL_EDIT, START_BUTTON])

        back = [self.focused()]
        for _ in range(4):
            self.wine.key("shift+Tab")
            back.append(wait_until(self.focused, 3, "a focused control"))
        self.assertEqual(back, [START_BUTTON, INTERVAL_EDIT, POINT_LIST, HELP_BUTTON, START_BUTTON])

    def test_the_focus_comes_back_to_its_control_on_reactivation(self):
        self.app.focus()
        self.tab_until(POINT_LIST)
        other = self.wine.start_click_target((0, 0, 200, 200), activatable=True)
        self.started.append(other.process)
        self.wine.focus(other.hwnd)
        self.app.focus()
        self.assertEqual(wait_until(self.focused, 3, "a focused control"), POINT_LIST)

    def test_escape_closes_the_window_from_any_control(self):
        self.app.focus()
        self.tab_until(INTERVAL_EDIT)
        self.wine.key("Escape")
        self.assertEqual(self.app.exit_code(), 0)

    def test_tab_and_escape_still_work_once_the_focused_button_is_disabled(self):
        self.app.focus()
        self.app.record("F6", 10, 10)
        self.app.set_interval("0")  # Running without clicks
        self.wine.key("space")      # presses Start, which has the focus, and disables it
        self.app.wait_state("running")
        self.wine.key("Tab")
        self.assertEqual(wait_until(self.focused, 3, "a focused control"), HELP_BUTTON)
        self.wine.key("Escape")
        self.assertEqual(self.app.exit_code(), 0)

    def test_escape_with_a_modifier_does_not_close(self):
        self.app.focus()
        self.wine.key("shift+Escape")
        self.wine.key("ctrl+Escape")
        self.assertIsNone(self.app.process.poll())
        self.assertEqual(self.wine.windows(title=MAIN_TITLE)[0]["hwnd"], self.app.hwnd)


if __name__ == "__main__":
    unittest.main()
