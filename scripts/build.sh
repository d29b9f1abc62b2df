#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures (once) and builds the project into DIR.
# BUILD_TARGETS (optional): build only these targets.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@"
else
  cmake "$dir" "$@" > /dev/null
fi
# shellcheck disable=SC2086
cmake --build "$dir" -j "$(nproc)" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
