#!/bin/sh
# Installs the Debian packages the game needs to build, run and be tested,
# skipping the work when every one of them is already present.
set -eu

packages="build-essential cmake qt6-base-dev qt6-multimedia-dev qt6-svg-dev
  libqt6svg6 qt6-qpa-plugins fonts-liberation
  xvfb xdotool x11-utils imagemagick pulseaudio pulseaudio-utils
  desktop-file-utils appstream clang libclang-rt-14-dev
  python3-pyatspi at-spi2-core dbus-daemon libbenchmark-dev libxdamage1 libxtst6"

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
