#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine, and nothing that is there:
# the mingw-w64 cross compiler, 32-bit Wine, a virtual X display with xdotool and
# ImageMagick, a CJK font, GoogleTest, clang's fuzzer runtime and the two test locales.
set -euo pipefail

packages=(
    cmake make g++ python3 locales
    googletest libgtest-dev
    clang libclang-rt-14-dev
    g++-mingw-w64-i686 binutils-mingw-w64-i686
    wine wine32:i386
    xvfb xdotool x11-utils imagemagick fonts-wqy-zenhei
)

sudo_if_needed() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        sudo_if_needed dpkg --add-architecture i386
    fi
    sudo_if_needed apt-get update -q
    sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# Wine takes the ANSI code page from the locale; the tests run under both.
for locale in zh_CN en_US; do
    if ! locale -a 2>/dev/null | grep -qx "$locale.utf8"; then
        sudo_if_needed localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
    fi
done
