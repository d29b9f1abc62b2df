#!/usr/bin/env bash
# fuzz.sh SECONDS: builds the libFuzzer targets with clang and runs each for SECONDS.
# A target's corpus lives in fuzz/corpus/NAME; inputs that once crashed live in
# fuzz/regressions/NAME and are replayed first. FUZZ_SEED, when set, fixes libFuzzer's seed
# so that a run can be repeated; unset, every run explores afresh.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
[ -d fuzz ] || { echo "no fuzz targets"; exit 0; }
CC=clang CXX=clang++ bash scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMENO_FUZZ=ON -DLUMENO_WERROR=ON -DLUMENO_BUILD_UI=OFF -DLUMENO_BUILD_BENCH=OFF
seed=()
[ -n "${FUZZ_SEED:-}" ] && seed=(-seed="$FUZZ_SEED")
status=0
for bin in build-fuzz/bin/fuzz_*; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin"); name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/"
  if [ -d "fuzz/regressions/$name" ] && ls "fuzz/regressions/$name"/* > /dev/null 2>&1; then
    "$bin" "fuzz/regressions/$name"/* > /dev/null 2>&1 || { echo "fuzz $name: a regression input fails"; status=1; }
  fi
  if "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "${seed[@]}" -artifact_prefix=build-fuzz/crash-$name- "$work" \
       > "build-fuzz/fuzz_$name.log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' build-fuzz/fuzz_$name.log | grep -o '[0-9]*$')
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' build-fuzz/fuzz_$name.log | grep -o '[0-9]*$')
    echo "fuzz $name: ${seconds}s, $runs runs ($rate/s), no crash"
  else
    echo "fuzz $name: CRASH"; tail -40 "build-fuzz/fuzz_$name.log"; status=1
  fi
  rm -rf "$work"
done
exit $status
