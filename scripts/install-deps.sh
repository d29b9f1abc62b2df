#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run, test and benchmark.
# One list for the README's commands and for CI. Run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

packages=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # the program's libraries
  qt6-base-dev qt6-base-dev-tools
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev libwebp-dev libheif-dev
  # fonts the windows use (stand-in for the Windows dialog font)
  fonts-dejavu-core fonts-liberation2
  # checking what the program writes and shows
  qpdf poppler-utils libxml2-utils xvfb xauth imagemagick libheif-examples chromium
  # the installer: cross compiler and the Win32 it runs on here
  mingw-w64 wine64 wine liblnk-utils xdotool
  # peers for the benchmarks
  libjpeg-turbo-progs libvips-tools graphicsmagick time
)

if [ "${LUMENO_SKIP_APT:-0}" = 1 ]; then exit 0; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi
