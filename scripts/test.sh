#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the logic natively under the
# sanitizers, the Win32 layer under Wine, and the whole program end to end under Wine, each
# Wine test on a virtual display and in a fresh prefix of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/install-deps.sh"
mkdir -p "$root/build"
"$root/scripts/build.sh"

echo "== native tests"
(cd "$root/build/native" && ctest --output-on-failure -j "$(nproc)")
echo "== Win32 layer under Wine"
(cd "$root/build/win32" && ctest --output-on-failure -j "$(nproc)" -L wine)
# One at a time: these measure click periods and would compete for the two cores.
echo "== end to end under Wine"
(cd "$root/build/win32" && ctest --output-on-failure -L e2e)
