"""Runs one Windows test program in a Wine session of its own and passes its result on.

    python3 run_in_wine.py [--locale LANG] EXE [ARGS...]

The session (Xvfb, a fresh prefix) goes away afterwards. The program's output is copied to
this process's standard output, and its exit code becomes ours.
"""

import argparse
import sys

from wine_session import DEFAULT_LOCALE, WineSession


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--locale", default=DEFAULT_LOCALE)
    parser.add_argument("--timeout", type=float, default=600)
    parser.add_argument("exe")
    parser.add_argument("args", nargs=argparse.REMAINDER)
    options = parser.parse_args()

    with WineSession(locale=options.locale) as wine:
        process = wine.launch(options.exe, *options.args)
        try:
            code = process.wait(options.timeout)
        finally:
            sys.stdout.write(process.stdout())
            sys.stderr.write(process.stderr())
    return code


if __name__ == "__main__":
    sys.exit(main())
