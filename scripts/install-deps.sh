#!/usr/bin/env bash
# install-deps.sh [--tests]: installs the Debian 12 packages the project needs. Run as root.
# Without arguments only what building and running the programs needs (the main-job
# command, scripts/demo.sh); with --tests also what the tests, the fuzzing, the installer
# under Wine, the install checks and the benchmarks add (the test command, scripts/test.sh).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

# Building and running.
build_run=(
  # toolchain
  build-essential cmake ninja-build pkg-config
  # the program's libraries
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  zlib1g-dev libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev libgif-dev libtiff-dev libwebp-dev libheif-dev
  # colour profiles of photos
  liblcms2-dev
  # caption text on photo pages: shaping and font subsets, finding installed fonts; drawing
  # captions into video frames
  libharfbuzz-dev libfontconfig-dev libfreetype-dev
  # the show as a video: H.264, AAC and MP4, scaling and resampling
  libavcodec-dev libavformat-dev libswscale-dev libswresample-dev libavutil-dev libx264-dev
  # fonts the windows use (stand-in for the Windows dialog font)
  fonts-dejavu-core fonts-liberation2
  # the main job draws its sample photos
  imagemagick libheif-examples
)

# What the tests and benchmarks add.
tests=(
  # test frameworks and the fuzzing compiler
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # the format check of the C++ sources and the function-length check
  clang-format python3
  # checking what the program writes and shows
  qpdf poppler-utils libxml2-utils xvfb xauth chromium xdotool file
  # a font with characters beyond U+FFFF (emoji) for the caption fonts' tests
  fonts-symbola
  # the installer: cross compiler and the Win32 it runs on here
  mingw-w64 wine64 wine liblnk-utils
  # installing: validators of the desktop files, the package and the man pages
  desktop-file-utils appstream shared-mime-info lintian bash-completion man-db
  # peers for the benchmarks
  libjpeg-turbo-progs libvips-tools graphicsmagick time
  # the video benchmark's peer recipe and looking into written videos
  ffmpeg
)

packages=("${build_run[@]}")
if [ "${1:-}" = --tests ]; then packages+=("${tests[@]}"); fi

if [ "${LUMENO_SKIP_APT:-0}" = 1 ]; then exit 0; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi
