#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the game needs, skipping the work when every
# one of them is already present.
# Usage: install-deps.sh [build|test|windows|web|web-test]
#   build    (the default) what building, running and packaging the game need;
#   test     that, plus the tools of `make test` and `make bench`;
#   windows  that, plus what building Qt and the game for Windows, packing
#            the release and testing it under Wine need;
#   web      that, plus what building Qt for WebAssembly needs (Debian 13:
#            scripts/build-qt-wasm.sh);
#   web-test that, plus the browser and the driver of the web tests.
set -eu

# `file`: CPack picks the programs it hands to dpkg-shlibdeps with it.
packages="build-essential cmake qt6-base-dev libpulse-dev qt6-svg-dev
  qt6-qpa-plugins fonts-liberation file"
# Debian's emscripten, with its clang, binaryen and Node.js; dpkg-dev
# unpacks Qt's source; fonttools cuts the fonts packed into the program;
# git and xz the source archive handed out with the page.
web_packages="emscripten ninja-build dpkg-dev xz-utils fonttools git"
# clang and libclang-rt-dev (libFuzzer, for scripts/fuzz.sh) without a
# version: each Debian release brings its own clang.
case "${1:-build}" in
  build) ;;
  test) packages="$packages
  xvfb xdotool x11-utils openbox imagemagick pulseaudio pulseaudio-utils
  x11-xkb-utils desktop-file-utils appstream lintian clang libclang-rt-dev
  at-spi2-core dbus-daemon orca speech-dispatcher espeak-ng
  python3-gi gir1.2-atspi-2.0
  libbenchmark-dev libxdamage1 libxtst6" ;;
  # MinGW-w64 with POSIX threads; dpkg-dev unpacks Qt's source; icoutils
  # makes the program's icon; nsis the installer; git and xz the source
  # archive handed out beside it; Wine runs the tests, its
  # sound going to PulseAudio through ALSA's plug-in; tesseract reads the
  # screen of the game played under Wine.
  windows) packages="$packages
  g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build dpkg-dev
  icoutils nsis zip xz-utils git wine wine64 libasound2-plugins tesseract-ocr" ;;
  web) packages="$packages $web_packages" ;;
  # Chromium, its WebDriver and Selenium, which the tests drive it with;
  # brotli measures the page as a server may compress it.
  web-test) packages="$packages $web_packages
  chromium chromium-driver python3-selenium python3-brotli" ;;
  *) echo "usage: $0 [build|test|windows|web|web-test]" >&2; exit 2 ;;
esac

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
# shellcheck disable=SC2086
$sudo apt-get install -y --no-install-recommends $missing
