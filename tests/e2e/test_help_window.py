"""The help window on the real exe under Wine: opened from the main window, read back from
another process, its web link pressed with a stand-in browser registered in the prefix, and
the main window's hotkeys and click cycle while it is open.

    QUORVEL_BUILD_DIR=build/win32 python3 -m unittest -v test_help_window

The cross build needs quorvel (with its icon, app/resources/quorvel.ico) and the tools
inspector, click_target and stand_in_browser.
The window as read back runs under each locale of QUORVEL_LOCALES (default both), since its
texts pass through the code page. The rest runs under en_US.UTF-8 alone: the stand-in browser
lies in a folder whose name has characters of neither code page 936 nor 1252, so a command
line or a registry value that went through a narrow string fails there under either locale;
the hotkeys and the cycle carry no text.

Wine's ShellExecuteW opens an http address only through HKEY_CLASSES_ROOT\\http\\shell\\open
(winebrowser in a new prefix): the link tests delete that key, so the press falls back to the
command registered for ".htm" files, which they point at stand_in_browser.exe.
"""

import collections
import shutil
import struct
import subprocess
import time
import unittest

from quorvel_app import (
    HELP_BUTTON, HELP_TEXT_LABEL, HELP_TITLE, MAIN_TITLE, POINT_LIST, SITE_LABEL, SITE_LINK, START_BUTTON,
    Quorvel, QuorvelTestCase, child, quorvel_exe,
)
from wine_session import BM_CLICK, Image, build_dir, SessionTestCase, WaitTimeout, tool_path, wait_until, windows_path

WS_CHILD, WS_VISIBLE, WS_CLIPSIBLINGS, WS_CLIPCHILDREN = 0x40000000, 0x10000000, 0x04000000, 0x02000000
WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_POPUP, WS_EX_WINDOWEDGE = 0x00020000, 0x00010000, 0x80000000, 0x100
WM_NCHITTEST = 0x0084
HTCAPTION, HTMINBUTTON, HTMAXBUTTON, HTBORDER, HTCLOSE = 2, 8, 9, 18, 20

HELP_RECT = (360, 270, 664, 498)  # (1024 - 304) / 2, (768 - 228) / 2
TARGET = "http://www.veltrane.example/"
# Set as the system's button face in the read-back's prefix, so that its use shows.
BUTTON_FACE = (212, 208, 200)
LINK_COLOURS = {"normal": (0, 0, 255), "hover": (49, 106, 197), "visited": (128, 0, 0)}
CAPTION_ICON_END = 22  # the title starts right of this, from the window's left
# The site label lies over the link's first 16 columns (client x 152..167, y 175..190).
LINK_UNDER_LABEL = 16
# Client points of the help window: the link's middle, a point where the label lies over the
# link, the link's first column right of the label, and empty space below the link.
ON_LINK, ON_OVERLAP, RIGHT_OF_LABEL, BELOW_LINK = (224, 181), (160, 182), (168, 182), (224, 198)
SITE_LABEL_TEXT = "到Veltrane，获取更多精彩内容。"
HELP_TEXT = (
    "帮助文档：\r\n"
    "1.启动程序后先要获取鼠标点，即：先把鼠标移到要点击的位置，然后按键盘F7键获取右键单击，"
    "F6键为获取左键单击，如果列表框中输入该位置，说明已经记录了。\r\n"
    "2.获取鼠标点结束后，按开始键开始运行，默认间隔为1秒。\r\n"
    "3.如360等杀毒软件要求阻止，请不要选择允许，否则不能正常使用。\r\n"
    "4.有什么建议或bug请发邮件到 support@veltrane.example")

# id, class, left, top, width, height, text; in stacking order, the first on top.
HELP_CONTROLS = [
    (SITE_LABEL, "QuorvelLabel", 8, 175, 160, 16, SITE_LABEL_TEXT),
    (SITE_LINK, "QuorvelHyperLink", 152, 169, 144, 24, "www.veltrane.example"),
    (HELP_TEXT_LABEL, "QuorvelLabel", 0, 8, 288, 160, HELP_TEXT),
]


def box(rect):
    return rect["left"], rect["top"], rect["right"], rect["bottom"]


def capture(wine, left, top, right, bottom):
    """A screen rectangle as an Image, straight from the X server."""
    path = wine.tmp / "out" / f"capture-{time.monotonic_ns()}.png"
    subprocess.run(["/usr/bin/import", "-display", wine.display, "-window", "root",
                    "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage", f"PNG24:{path}"],
                   env=wine.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=30, check=True)
    image = Image.load(path)
    path.unlink()
    return image


def pixels(image):
    """{(x, y): (r, g, b)} of every pixel of an image."""
    return {(x, y): image.pixel(x, y) for y in range(image.height) for x in range(image.width)}


def small_icon(width=16):
    """The program's 32-bit icon image of that width, from the build's quorvel.ico, as
    rows of (r, g, b, alpha)."""
    data = (build_dir() / "app" / "resources" / "quorvel.ico").read_bytes()
    for entry in range(struct.unpack_from("<H", data, 4)[0]):
        size, _, _, _, _, bits, _, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * entry)
        if size == width and bits == 32:
            header_size = struct.unpack_from("<I", data, offset)[0]
            rows = []
            for y in range(width - 1, -1, -1):  # stored bottom-up
                at = offset + header_size + 4 * width * y
                rows.append([(data[at + 4 * x + 2], data[at + 4 * x + 1], data[at + 4 * x], data[at + 4 * x + 3])
                             for x in range(width)])
            return rows
    raise AssertionError(f"quorvel.ico has no 32-bit {width}x{width} image")


def find_icon(image, icon, background, tolerance=3):
    """Where in image the icon is drawn over the background colour, or None."""
    def drawn(x, y):
        for row, line in enumerate(icon):
            for column, (*colour, alpha) in enumerate(line):
                expected = [(c * alpha + b * (255 - alpha)) / 255 for c, b in zip(colour, background)]
                if any(abs(e - g) > tolerance for e, g in zip(expected, image.pixel(x + column, y + row))):
                    return False
        return True
    return next(((x, y) for y in range(image.height - len(icon) + 1) for x in range(image.width - len(icon) + 1)
                 if drawn(x, y)), None)


def import_registry(wine, *lines):
    """Writes lines of a .reg file (after its header) into the session's prefix."""
    path = wine.tmp / "out" / f"import-{time.monotonic_ns()}.reg"
    path.write_text("\r\n".join(["Windows Registry Editor Version 5.00", "", *lines, ""]), encoding="utf-16")
    if wine.run("regedit", "/S", windows_path(path)) != 0:
        raise AssertionError(f"regedit could not import {path}")


def hit_test(wine, hwnd, x, y):
    return wine.send(hwnd, WM_NCHITTEST, 0, (y << 16) | x)


def caption_point(wine, hwnd, rect, area):
    """A screen point on the title bar row of a window whose hit test is area, from the right."""
    y = rect["top"] + 10
    for x in range(rect["right"] - 1, rect["left"], -2):
        if hit_test(wine, hwnd, x, y) == area:
            return x, y
    raise AssertionError(f"no point of hit-test area {area} on the caption of {hwnd}")


def drag_caption(wine, hwnd, dx, dy):
    """Moves a top-level window as a user does: by its title bar, with the left button."""
    rect = wine.dump(hwnd)["rect"]
    x, y = rect["left"] + 40, rect["top"] + 10
    if hit_test(wine, hwnd, x, y) != HTCAPTION:
        raise AssertionError(f"({x}, {y}) is not on the caption of {hwnd}")
    wine.xdotool("mousemove", x, y, "mousedown", 1, "mousemove", x + dx // 2, y + dy // 2,
                 "mousemove", x + dx, y + dy, "mouseup", 1)
    moved = (rect["left"] + dx, rect["top"] + dy)
    return wait_until(lambda: (lambda r: r if (r["left"], r["top"]) == moved else None)(wine.dump(hwnd)["rect"]),
                      5, f"window {hwnd} at {moved}")


class HelpWindow:
    """One open help window of a running copy of the program."""

    def __init__(self, app, hwnd):
        self.app = app
        self.wine = app.wine
        self.hwnd = hwnd

    @classmethod
    def open(cls, app):
        """Clicks the main window's Help button; returns the new help window once painted."""
        before = {w["hwnd"] for w in app.wine.windows(pid=app.pid, title=HELP_TITLE)}
        app.click_control(HELP_BUTTON)

        def new_window():
            return next((w for w in app.wine.windows(pid=app.pid, title=HELP_TITLE, cls="QuorvelForm")
                         if w["visible"] and w["hwnd"] not in before), None)
        help_window = cls(app, wait_until(new_window, 5, "a new help window")["hwnd"])
        help_window.wait_link_colour("normal")
        return help_window

    def dump(self):
        return self.wine.dump(self.hwnd)

    def is_open(self):
        return any(w["hwnd"] == self.hwnd for w in self.wine.windows(pid=self.app.pid))

    def wait_closed(self):
        wait_until(lambda: not self.is_open(), 5, f"help window {self.hwnd} to close")

    def close(self):
        if self.is_open():
            if self.wine.foreground_hwnd() != self.hwnd:
                self.wine.focus(self.hwnd)
            self.wine.key("Escape")
            self.wait_closed()

    def screen_point(self, x, y):
        """A client point of the help window on the screen."""
        client = self.dump()["client"]
        return client["left"] + x, client["top"] + y

    def screen_box(self, control_id):
        window = self.dump()
        rect, client = child(window, control_id)["rect"], window["client"]
        return (client["left"] + rect["left"], client["top"] + rect["top"],
                client["left"] + rect["right"], client["top"] + rect["bottom"])

    def link_colour(self):
        """The name of the one link colour the link's text shows, else a description."""
        left, top, right, bottom = self.screen_box(SITE_LINK)
        image = capture(self.wine, left, top, right, bottom)
        seen = collections.Counter(rgb for (x, _), rgb in pixels(image).items() if x >= LINK_UNDER_LABEL)
        shown = {name: seen[rgb] for name, rgb in LINK_COLOURS.items() if seen[rgb]}
        if len(shown) == 1 and next(iter(shown.values())) >= 100:
            return next(iter(shown))
        return f"link pixels {shown}"

    def wait_link_colour(self, name, timeout=5.0):
        last = []

        def shows():
            last[:] = [self.link_colour()]
            return last[0] == name
        try:
            wait_until(shows, timeout, f"the link in its {name} colour")
        except WaitTimeout as error:
            raise AssertionError(f"{error}; it shows {last[0]}") from None

    def assert_link_colour_stays(self, test, name, seconds=0.7):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            test.assertEqual(self.link_colour(), name)
            time.sleep(0.1)


class HelpWindowReadBack:
    """The help window opened twice, the second time after the main window was dragged away,
    and read from another process; a subclass per locale names LOCALE."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        wine = cls.wine
        # Wine keeps the theme's colours, set at boot, in a volatile copy that comes first.
        face = '"ButtonFace"="{} {} {}"'.format(*BUTTON_FACE)
        import_registry(wine, "[HKEY_CURRENT_USER\\Control Panel\\Colors]", face, "",
                        "[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters\\Control Panel\\Colors]",
                        face)
        cls.app = app = Quorvel.launch(wine)
        app.focus()
        first = HelpWindow.open(app)
        cls.first_rect = first.dump()["rect"]
        first.close()

        cls.main_after = drag_caption(wine, app.hwnd, -324, -142)
        app.focus()

        cls.help = HelpWindow.open(app)
        cls.window = cls.help.dump()
        cls.main_window = app.dump()
        cls.foreground = wine.foreground(cls.help.hwnd)

    def test_it_opens_centred_on_the_screen_wherever_the_main_window_is(self):
        system = self.wine.system_info()
        self.assertEqual((system["screenWidth"], system["screenHeight"]), (1024, 768))
        self.assertEqual(box(self.first_rect), HELP_RECT)
        self.assertEqual(box(self.main_after), (40, 50, 335, 433))
        self.assertEqual(box(self.window["rect"]), HELP_RECT)

    def test_it_is_a_fixed_captioned_window_modal_to_the_main_window(self):
        w = self.window
        self.assertEqual((w["class"], w["title"]), ("QuorvelForm", HELP_TITLE))
        for bit in (WS_CAPTION, WS_SYSMENU, WS_CLIPCHILDREN, WS_VISIBLE):
            self.assertEqual(w["style"] & bit, bit, hex(bit))
        for bit in (WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_POPUP, WS_CHILD):
            self.assertEqual(w["style"] & bit, 0, hex(bit))
        self.assertEqual(w["exStyle"] & ~WS_EX_WINDOWEDGE, 0)
        self.assertEqual(w["owner"], self.app.hwnd)
        self.assertTrue(w["enabled"])
        self.assertFalse(self.main_window["enabled"])
        self.assertEqual(self.main_window["title"], MAIN_TITLE)
        # Active, with the keyboard focus on the window itself: none of its controls takes it.
        self.assertEqual(self.foreground["foreground"]["hwnd"], self.help.hwnd)
        self.assertEqual(self.foreground["thread"]["focus"], self.help.hwnd)

    def test_its_controls_stand_in_form_order_as_the_form_says(self):
        children = self.window["children"]
        self.assertEqual([c["id"] for c in children], [c[0] for c in HELP_CONTROLS])
        for cid, cls, left, top, width, height, text in HELP_CONTROLS:
            with self.subTest(control=cid):
                c = child(self.window, cid)
                self.assertEqual(c["class"], cls)
                self.assertEqual(box(c["rect"]), (left, top, left + width, top + height))
                self.assertEqual(c["text"], text)
                self.assertEqual(c["style"], WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS)  # no tab stop, no border
                self.assertEqual(c["exStyle"], 0)
                self.assertTrue(c["enabled"])

    def test_it_has_the_button_face_background_and_the_application_icon(self):
        empty = self.help.screen_point(200, 198)  # below the controls
        self.assertEqual(capture(self.wine, *empty, empty[0] + 1, empty[1] + 1).pixel(0, 0), BUTTON_FACE)
        # The title bar's left end shows the program's small icon over the caption colour.
        rect = self.window["rect"]
        caption = capture(self.wine, rect["left"], rect["top"], rect["left"] + CAPTION_ICON_END,
                          self.window["client"]["top"])
        background = collections.Counter(pixels(caption).values()).most_common(1)[0][0]
        self.assertIsNotNone(find_icon(caption, small_icon(), background), "the application icon is not shown")

    def test_the_link_is_one_centred_line_without_border_or_underline(self):
        left, top, right, bottom = self.help.screen_box(SITE_LINK)
        image = capture(self.wine, left, top, right, bottom)
        own = {p: rgb for p, rgb in pixels(image).items() if p[0] >= LINK_UNDER_LABEL}
        text = [p for p, rgb in own.items() if rgb == LINK_COLOURS["normal"]]
        xs, ys = [x for x, _ in text], [y for _, y in text]
        self.assertGreater(len(text), 100)
        self.assertAlmostEqual((min(xs) + max(xs)) / 2, (right - left) / 2, delta=2)
        self.assertAlmostEqual((min(ys) + max(ys)) / 2, (bottom - top) / 2, delta=2)
        self.assertLessEqual(max(ys) - min(ys) + 1, 14)  # one line of the 8-point GUI font
        longest = max(sum(1 for x in range(right - left) if own.get((x, y)) == LINK_COLOURS["normal"])
                      for y in set(ys))
        self.assertLess(longest, 0.5 * (max(xs) - min(xs)), "a row as long as the text: an underline")
        # Everything else is the window's background, up to the edges: no border.
        self.assertEqual({rgb for p, rgb in own.items() if rgb != LINK_COLOURS["normal"]}, {BUTTON_FACE})

    def test_the_help_text_is_wrapped_from_the_label_top(self):
        left, top, right, bottom = self.help.screen_box(HELP_TEXT_LABEL)
        image = capture(self.wine, left, top, right, bottom)
        inked = {p for p, rgb in pixels(image).items() if rgb != BUTTON_FACE}
        rows = sorted({y for _, y in inked})
        lines = [[rows[0]]]
        for y in rows[1:]:
            if y == lines[-1][-1] + 1:
                lines[-1].append(y)
            else:
                lines.append([y])
        self.assertLessEqual(rows[0], 4, "the text starts at the label's top")
        self.assertGreaterEqual(len(lines), 6)

        def width(line):
            xs = [x for x, y in inked if y in line]
            return max(xs) - min(xs) + 1
        # "帮助文档：" alone on the first line, then the first paragraph fills the width.
        self.assertLess(width(lines[0]), 100)
        self.assertGreater(width(lines[1]), 240)


class HelpWindowEnglishTest(HelpWindowReadBack, SessionTestCase):
    LOCALE = "en_US.UTF-8"


class HelpWindowChineseTest(HelpWindowReadBack, SessionTestCase):
    LOCALE = "zh_CN.UTF-8"


FILE_TYPE = "QuorvelTest.htmlfile"
OPEN_COMMAND = FILE_TYPE + "\\shell\\open\\command"
CLASS_ROOTS = ("HKEY_LOCAL_MACHINE\\Software\\Classes", "HKEY_CURRENT_USER\\Software\\Classes")
# Characters of neither code page 936 nor 1252, and a space.
BROWSER_FOLDER = "浏览器 한글"


class Expandable(str):
    """A registry value of type REG_EXPAND_SZ."""


def reg_value(value):
    """A value as a .reg file writes it."""
    if isinstance(value, Expandable):
        data = (value + "\0").encode("utf-16-le")
        return "hex(2):" + ",".join(f"{b:02x}" for b in data)
    return '"' + value.replace("\\", "\\\\").replace('"', '\\"') + '"'


class LinkTest(SessionTestCase):
    """Presses on the link with browsers registered, or none, in the prefix's classes."""

    LOCALE = "en_US.UTF-8"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        wine = cls.wine
        folder = wine.tmp / BROWSER_FOLDER
        folder.mkdir()
        cls.browser = windows_path(shutil.copy(tool_path("stand_in_browser"), folder))
        cls.folder = folder
        cls.set_classes({})
        process = wine.launch(quorvel_exe(), env={"QUORVEL_BROWSER_DIR": windows_path(folder)})
        cls.app = Quorvel(wine, process, wine.wait_window(process=process, title=MAIN_TITLE)["hwnd"])

    @classmethod
    def set_classes(cls, defaults):
        """Deletes the keys a press on the link reads (the shell's own "http" handler, ".htm"
        and our file type), then registers defaults: {key under HKEY_CLASSES_ROOT: its default
        value}."""
        lines = [f"[-{root}\\{key}]" for root in CLASS_ROOTS for key in ("http", ".htm", FILE_TYPE)]
        for key, value in defaults.items():
            lines += ["", f"[HKEY_CLASSES_ROOT\\{key}]", f"@={reg_value(value)}"]
        import_registry(cls.wine, *lines)

    def setUp(self):
        super().setUp()
        self.app.focus()
        self.help = HelpWindow.open(self.app)

    def tearDown(self):
        self.help.close()
        super().tearDown()

    def new_log(self, name):
        """A log path for the stand-in browser, as the Unix path and the Windows one."""
        path = self.folder / f"{name}-{time.monotonic_ns()}.log"
        return path, windows_path(path)

    def runs(self, log):
        return log.read_text(encoding="utf-8").splitlines() if log.exists() else []

    def hover_link(self):
        self.wine.move_mouse(*self.help.screen_point(*ON_LINK))
        self.help.wait_link_colour("hover")

    def move_away(self):
        # Into the help window below the link: Wine follows the pointer only over its own
        # windows, and a return to the same point from the bare desktop is no move to it.
        self.wine.move_mouse(*self.help.screen_point(*BELOW_LINK))
        wait_until(lambda: self.help.link_colour() != "hover", 5, "the link to lose its hover colour")

    def press_link(self, log):
        """Presses the left button on the link and waits for one more run in log while it is
        held; returns that run's command line."""
        before = len(self.runs(log))
        self.hover_link()
        self.wine.mouse_down()
        try:
            runs = wait_until(lambda: (lambda r: r if len(r) > before else None)(self.runs(log)), 10,
                              f"a run logged in {log.name} before the button is released")
        finally:
            self.wine.mouse_up()
        self.assertEqual(len(runs), before + 1)
        return runs[-1]

    def press_link_in_vain(self, logs=()):
        """Clicks on the link where nothing should open: checks that the program started no
        process and showed no window, and that no browser run was logged."""
        def children():
            # Wine's own services start helpers now and then: only the program's children count.
            return [(p["exe"], p["commandLine"]) for p in self.wine.processes() if p["parentPid"] == self.app.pid]
        windows = lambda: [w["title"] for w in self.wine.windows(pid=self.app.pid) if w["visible"]]
        logged = [self.runs(log) for log in logs]
        shown = windows()
        self.hover_link()
        self.wine.click()
        self.move_away()
        time.sleep(0.3)
        self.assertEqual(children(), [])
        self.assertEqual(windows(), shown)
        self.assertEqual([self.runs(log) for log in logs], logged)

    def register_browser(self, log_path, command=None):
        command = command or f'"{self.browser}" "{log_path}" "%1"'
        self.set_classes({".htm": FILE_TYPE, OPEN_COMMAND: command})

    def test_a_press_runs_the_htm_command_cut_at_its_placeholder_and_marks_the_link_visited(self):
        # The press runs the registered command cut at its first placeholder, quoted or bare,
        # then a space and the address, while the button is still down.
        cases = [
            ("quoted placeholder", '"{exe}" "{log}" "%1"', str),
            ("bare placeholder with more after it", '"{exe}" "{log}" %1 -new-window', str),
            ("expandable value", '"%QUORVEL_BROWSER_DIR%\\stand_in_browser.exe" "{log}" "%1"', Expandable),
        ]
        for number, (name, command, kind) in enumerate(cases):
            with self.subTest(name):
                if number:  # a new window, whose link is unvisited again
                    self.help.close()
                    self.help = HelpWindow.open(self.app)
                log, log_path = self.new_log("htm")
                self.register_browser(log_path, kind(command.format(exe=self.browser, log=log_path)))
                self.assertEqual(self.press_link(log), f'"{self.browser}" "{log_path}"  {TARGET}')
                self.move_away()
                self.assertEqual(self.help.link_colour(), "visited")

    def test_the_shells_own_handler_comes_before_the_htm_command(self):
        shell_log, shell_path = self.new_log("shell")
        htm_log, htm_path = self.new_log("htm")
        self.set_classes({
            "http\\shell\\open\\command": f'"{self.browser}" "{shell_path}" "%1"',
            ".htm": FILE_TYPE,
            OPEN_COMMAND: f'"{self.browser}" "{htm_path}" "%1"',
        })
        run = self.press_link(shell_log)
        self.assertTrue(run.startswith(f'"{self.browser}" "{shell_path}" '), run)
        self.assertIn(TARGET, run)
        self.move_away()
        self.assertEqual(self.help.link_colour(), "visited")
        self.assertEqual(self.runs(htm_log), [])

    def test_with_no_browser_registered_a_press_opens_nothing(self):
        self.set_classes({})
        self.press_link_in_vain()
        self.assertEqual(self.help.link_colour(), "normal")

    def test_a_failed_open_returns_a_visited_link_to_normal(self):
        cases = [
            ("nothing registered", {}),
            (".htm names a type without an open command", {".htm": FILE_TYPE, FILE_TYPE: "HTML"}),
            (".htm names no type", {".htm": "", OPEN_COMMAND: '"{exe}" "{log}" "%1"'}),
            ("an open command that runs nothing", {".htm": FILE_TYPE, OPEN_COMMAND: '"{folder}\\none.exe" "%1"'}),
        ]
        log, log_path = self.new_log("htm")
        for name, classes in cases:
            with self.subTest(name):
                self.register_browser(log_path)
                self.press_link(log)
                self.move_away()
                self.assertEqual(self.help.link_colour(), "visited")

                fill = {"exe": self.browser, "log": log_path, "folder": windows_path(self.folder)}
                self.set_classes({key: value.format(**fill) for key, value in classes.items()})
                self.press_link_in_vain([log])
                self.assertEqual(self.help.link_colour(), "normal")

    def test_hover_shows_its_colour_over_the_link_only_and_leaving_restores_the_last(self):
        help_window = self.help
        # Where the site label lies over the link, the pointer is the label's.
        self.wine.move_mouse(*help_window.screen_point(*ON_OVERLAP))
        help_window.assert_link_colour_stays(self, "normal")
        self.wine.move_mouse(*help_window.screen_point(*RIGHT_OF_LABEL))
        help_window.wait_link_colour("hover")
        self.move_away()
        self.assertEqual(help_window.link_colour(), "normal")

        log, log_path = self.new_log("htm")
        self.register_browser(log_path)
        self.wine.move_mouse(*help_window.screen_point(*ON_OVERLAP))
        self.wine.click()
        time.sleep(0.3)
        self.assertEqual(self.runs(log), [], "a press on the label opened the link")
        self.press_link(log)
        self.move_away()
        self.assertEqual(help_window.link_colour(), "visited")
        self.hover_link()
        self.move_away()
        self.assertEqual(help_window.link_colour(), "visited")

        # Every click on Help makes a new window, and its link starts unvisited.
        help_window.close()
        self.help = HelpWindow.open(self.app)
        self.assertNotEqual(self.help.hwnd, help_window.hwnd)
        self.assertEqual(self.help.link_colour(), "normal")


class ModalLoopTest(QuorvelTestCase):
    """The main window's hotkeys, its click cycle and its clicks while the help window is open,
    and the ways of closing it."""

    TARGET = (0, 0, 340, 768)  # left of both windows; it never takes the focus

    def setUp(self):
        super().setUp()
        self.app = self.launch()
        self.app.focus()

    def assert_help_is_modal(self, help_window):
        self.assertTrue(help_window.is_open())
        self.assertEqual(self.wine.foreground_hwnd(), help_window.hwnd)
        self.assertFalse(self.app.dump()["enabled"])

    def test_f6_and_f7_record_rows_while_help_is_open(self):
        help_window = HelpWindow.open(self.app)
        over_help = help_window.screen_point(20, 20)
        self.app.record("F7", 100, 120)
        self.app.record("F6", *over_help)
        self.assertEqual(self.app.rows(), [("右键单击", "100", "120", 1),
                                           ("左键单击", str(over_help[0]), str(over_help[1]), 0)])
        self.assert_help_is_modal(help_window)

    def test_a_running_click_cycle_goes_on_while_help_is_open_and_ctrl_q_stops_it(self):
        target = self.wine.start_click_target(self.TARGET)
        self.started.append(target.process)
        self.app.record("F6", 50, 100)
        self.app.record("F7", 200, 300)
        self.app.set_interval("100")
        self.app.press("ctrl+s")
        self.app.wait_state("running")
        target.wait_for_records(4)

        # The pointer jumps to the points at each click: a posted click opens Help meanwhile.
        self.wine.post(child(self.app.dump(), HELP_BUTTON)["hwnd"], BM_CLICK)
        help_window = HelpWindow(self.app, self.app.help_window()["hwnd"])
        opened = len(target.records())
        presses = [r for r in target.wait_for_records(opened + 8)[opened:] if r.action == "down"]
        self.assertEqual({(r.button, r.x, r.y) for r in presses}, {("left", 50, 100), ("right", 200, 300)})
        self.assert_help_is_modal(help_window)

        self.app.press("ctrl+q")
        self.app.wait_state("idle")
        stopped = len(target.records())
        time.sleep(0.5)
        self.assertEqual(len(target.records()), stopped, "a click came after Ctrl+Q")
        self.assert_help_is_modal(help_window)

    def test_clicks_on_the_main_window_do_nothing_while_help_is_open(self):
        help_window = HelpWindow.open(self.app)
        for control in (START_BUTTON, HELP_BUTTON, POINT_LIST):  # each outside the help window
            with self.subTest(control=control):
                self.app.click_control(control)
                time.sleep(0.5)
                self.assertEqual(self.app.state(), "idle")
                self.assertEqual([w["hwnd"] for w in self.wine.windows(pid=self.app.pid) if w["visible"]],
                                 [help_window.hwnd, self.app.hwnd])  # no refusal box, no second help
                self.assert_help_is_modal(help_window)

    def test_each_way_of_closing_gives_the_main_window_back(self):
        def close_button(help_window):
            rect = help_window.dump()["rect"]
            self.wine.click(*caption_point(self.wine, help_window.hwnd, rect, HTCLOSE))

        ways = [("Escape", lambda h: self.wine.key("Escape")),
                ("Alt+F4", lambda h: self.wine.key("alt+F4")),
                ("close button", close_button)]
        seen = []
        ids = {c["hwnd"]: c["id"] for c in self.app.dump()["children"]}
        for name, close in ways:
            with self.subTest(name):
                help_window = HelpWindow.open(self.app)
                seen.append(help_window.hwnd)
                close(help_window)
                help_window.wait_closed()
                self.assertTrue(self.app.dump()["enabled"])
                wait_until(lambda: self.wine.foreground_hwnd() == self.app.hwnd, 3, "the main window to be active")
                # It takes the keyboard again: Tab moves its focus on.
                focused = lambda: ids.get(self.wine.foreground(self.app.hwnd)["thread"]["focus"])
                before = wait_until(focused, 3, "a focused control")
                self.wine.key("Tab")
                wait_until(lambda: focused() not in (None, before), 3, "Tab to move the focus")
        self.assertEqual(len(set(seen)), len(ways), "a click on Help showed an old window again")

        # And its buttons: Start with an empty list is refused with the box.
        self.app.click_control(START_BUTTON)
        self.app.message_box()

    def test_it_moves_by_its_title_bar_but_does_not_resize(self):
        help_window = HelpWindow.open(self.app)
        rect = help_window.dump()["rect"]
        hwnd = help_window.hwnd
        # The caption's buttons stand at its right end.
        along_caption = {hit_test(self.wine, hwnd, x, rect["top"] + 10)
                         for x in range(rect["right"] - 90, rect["right"], 3)}
        self.assertIn(HTCLOSE, along_caption)
        self.assertEqual(along_caption & {HTMINBUTTON, HTMAXBUTTON}, set())
        edges = [(rect["left"], rect["top"] + 100), (rect["right"] - 1, rect["top"] + 100),
                 (rect["left"] + 100, rect["bottom"] - 1), (rect["right"] - 1, rect["bottom"] - 1)]
        self.assertEqual({hit_test(self.wine, hwnd, x, y) for x, y in edges}, {HTBORDER})
        moved = drag_caption(self.wine, hwnd, -200, -150)
        self.assertEqual(box(moved), (160, 120, 464, 348))
        self.assert_help_is_modal(help_window)


if __name__ == "__main__":
    unittest.main()
