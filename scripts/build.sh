#!/usr/bin/env bash
# Builds the program for 32-bit Windows (build/win32: quorvel.exe, the tests under Wine and
# their tools) and the native tests (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
mkdir -p "$root/build"

cmake -S "$root" -B "$root/build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel > "$root/build/win32-configure.log" 2>&1 ||
    { cat "$root/build/win32-configure.log"; exit 1; }
cmake --build "$root/build/win32" -j "$jobs"

if [ "${1:-}" != "--exe-only" ]; then
    cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Debug > "$root/build/native-configure.log" 2>&1 ||
        { cat "$root/build/native-configure.log"; exit 1; }
    cmake --build "$root/build/native" -j "$jobs"
fi
