#!/usr/bin/env bash
# Builds quorvel.exe and starts it under Wine. With no X display, it starts one of its own
# (Xvfb), saves a screenshot of the program to build/screenshot.png and closes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
mkdir -p "$root/build"
"$root/scripts/build.sh" --exe-only
exe="$root/build/win32/quorvel.exe"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
    exec wine "$exe"
fi

# No display: a virtual one and a prefix of our own, both gone at the end.
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
xvfb_pid=""
cleanup() {
    wineserver -k 2> /dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"

echo "Preparing a Wine prefix on display $DISPLAY ..."
wineboot -i > "$work/wineboot.log" 2>&1
wineserver -w
"$root/tests/e2e/prepare_prefix.sh" > "$work/prepare.log" 2>&1

LANG=zh_CN.UTF-8 wine "$exe" > "$work/quorvel.log" 2>&1 &
xdotool search --sync --name "^Quorvel" > /dev/null
sleep 1  # let the first paint finish
import -window root "$root/build/screenshot.png"
echo "Quorvel started; screenshot saved to build/screenshot.png"
