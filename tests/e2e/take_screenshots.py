"""Screenshots of quorvel.exe under Wine on a virtual display.

    QUORVEL_BUILD_DIR=build/win32 python3 take_screenshots.py --screen build/screenshot.png
    QUORVEL_BUILD_DIR=build/win32 python3 take_screenshots.py --main-window docs/main-window.png \
        --help-window docs/help-window.png

--screen: the whole virtual screen once the program is up. --main-window: the main window
alone, with a few recorded rows. --help-window: the help window, the pointer away from its
link. All under zh_CN.UTF-8, as a Chinese system shows them.
"""

import argparse
import subprocess
import sys
import time

from quorvel_app import HELP_BUTTON, Quorvel
from wine_session import WineSession


def crop(screen_png, rect, out, margin=0):
    left, top = rect["left"] - margin, rect["top"] - margin
    width, height = rect["right"] - rect["left"] + 2 * margin, rect["bottom"] - rect["top"] + 2 * margin
    subprocess.run(["/usr/bin/convert", str(screen_png), "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                    str(out)], check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--screen", help="PNG of the whole screen with the program started")
    parser.add_argument("--main-window", help="PNG of the main window with recorded rows")
    parser.add_argument("--help-window", help="PNG of the help window")
    options = parser.parse_args()

    with WineSession(locale="zh_CN.UTF-8") as wine:
        app = Quorvel.launch(wine)
        time.sleep(0.5)  # the first paint
        if options.screen:
            wine.screenshot(options.screen)
        if options.main_window:
            app.focus()
            for key, x, y in (("F7", 640, 120), ("F6", 120, 300), ("F6", 880, 655)):
                app.record(key, x, y)
            wine.move_mouse(1000, 760)  # out of the picture
            time.sleep(0.5)
            shot = wine.tmp / "main-window.png"
            wine.screenshot(shot)
            crop(shot, app.dump()["rect"], options.main_window)
        if options.help_window:
            app.focus()
            app.click_control(HELP_BUTTON)
            help_window = app.help_window()
            wine.move_mouse(1000, 760)  # off the link, which shows its normal colour
            time.sleep(0.5)
            shot = wine.tmp / "help-window.png"
            wine.screenshot(shot)
            crop(shot, help_window["rect"], options.help_window)
            wine.key("Escape")
        app.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
