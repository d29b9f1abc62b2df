#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the normal build, the build under
# AddressSanitizer + UndefinedBehaviorSanitizer, bounded fuzzing, and the installer under Wine.
# Every build treats warnings as errors; the sources must match .clang-format.
# FUZZ_SECONDS (default 30) bounds each fuzz target's run; FUZZ_SEED (default 1) fixes its
# seed, so the suite gives the same answer on every run. Explore with scripts/fuzz.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --tests
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
status=0

echo "== format: every C++ file as .clang-format has it"
bash scripts/check-format.sh || status=1

echo "== function lengths: none of the product code longer than 120 lines"
python3 scripts/function-lengths.py --limit 120 || status=1

echo "== Windows files of core, project and export (mingw-w64, syntax only)"
bash scripts/check-win-sources.sh || status=1

echo "== build and test (release with debug info, warnings are errors)"
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENO_WERROR=ON -DLUMENO_BUILD_UI=ON \
  -DLUMENO_BUILD_TESTS=ON -DLUMENO_BUILD_BENCH=ON
(cd build && ctest --output-on-failure -j "$jobs") || status=1

echo "== installing: cmake --install, validators, the .deb, the installed program"
bash scripts/check-install.sh build || status=1

echo "== build and test under AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DLUMENO_SANITIZE=ON -DLUMENO_WERROR=ON \
  -DLUMENO_BUILD_BENCH=OFF -DLUMENO_BUILD_UI=ON
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
   LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp" ctest --output-on-failure -j "$jobs") || status=1

echo "== fuzzing"
FUZZ_SEED=${FUZZ_SEED:-1} bash scripts/fuzz.sh "${FUZZ_SECONDS:-30}" || status=1

if [ -f scripts/test-installer.sh ]; then
  echo "== installer (mingw-w64 build, tests under Wine)"
  bash scripts/test-installer.sh || status=1
fi

if [ $status -ne 0 ]; then echo "SOME TESTS FAILED"; fi
exit $status
