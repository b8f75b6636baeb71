#!/usr/bin/env bash
# Builds quorvel.exe and starts it under Wine on the current X display. Without a display it
# starts the program on a virtual one of its own, saves a screenshot to build/screenshot.png
# and ends it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
mkdir -p "$root/build"
"$root/scripts/build.sh" --exe-only

if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    exec wine "$root/build/win32/quorvel.exe"
fi

cd "$root/tests/e2e"
QUORVEL_BUILD_DIR="$root/build/win32" python3 take_screenshots.py --screen "$root/build/screenshot.png"
echo "Quorvel ran on a virtual display; its screenshot is build/screenshot.png"
