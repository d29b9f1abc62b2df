#!/usr/bin/env bash
# export_bench.sh [BUILD_DIR]: the PDF export on generated 12-megapixel photos against
# peers run in this same script:
#   1. lumeno-export (default jobs) vs `gm convert PHOTOS -quality 90 OUT.pdf`  (target >= 5x)
#   2. lumeno-export vs the libjpeg-turbo limit: tjbench decode + encode (quality 90) time of
#      the photos divided by the cores                                          (target >= 80 %)
#   3. peak memory (/usr/bin/time -v) of an export of 10 and of 60 photos      (target < 10 %)
# Prints the measured numbers and the ratios. Wall times suffer when other work shares the
# cores; the CPU times printed beside them show what each tool itself spent.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
exporter=$build/bin/lumeno-export
if [ ! -x "$exporter" ]; then
  bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DLUMENO_BUILD_UI=OFF
fi
for tool in gm tjbench convert /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (bash scripts/install-deps.sh)" >&2; exit 1; }
done

cores=$(nproc)
work=out/bench-export
photos=$work/photos
mkdir -p "$photos"
count=10
# 4000 x 3000 photos with 4:2:0 chroma like a camera's, made from a gradient, seeded
# fractal noise and grain; the others are shifted and recoloured copies of the first.
if [ ! -f "$photos/foto$((count - 1)).jpg" ]; then
  echo "Erzeuge $count Fotos mit 12 Megapixeln ..."
  convert -size 4000x3000 gradient:'#ffb347'-'#3b1c6e' -seed 3 \
    \( -size 1000x750 plasma:fractal -resize 4000x3000! \) -compose overlay -composite \
    -attenuate 0.4 +noise Gaussian -sampling-factor 2x2 -quality 92 "$photos/foto0.jpg"
  for i in $(seq 1 $((count - 1))); do
    convert "$photos/foto0.jpg" -roll +$((i * 331))+$((i * 173)) -modulate 100,$((80 + i * 5)),$((70 + i * 13)) \
      -sampling-factor 2x2 -quality 92 "$photos/foto$i.jpg"
  done
fi
list=()
for i in $(seq 0 $((count - 1))); do list+=("$photos/foto$i.jpg"); done

# wall seconds, peak resident kilobytes and CPU seconds (user + system) of a command
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt" || {
    cat "$work/stderr.txt" >&2; return 1; }
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time.txt"
}

# the best of three runs: the first run of a process can pay for the machine's warm-up
best_of_3() {
  for r in 1 2 3; do measure "$@"; done | sort -n | head -1
}

sync
read -r ours_s ours_kb ours_cpu < <(best_of_3 "$exporter" -o "$work/ours.pdf" "${list[@]}")
read -r gm_s gm_kb gm_cpu < <(best_of_3 gm convert "${list[@]}" -quality 90 "$work/gm.pdf")

# The libjpeg-turbo limit: decode of each photo and encode of its pixels at quality 90 with
# 4:2:0 chroma (what the export writes), in megapixels per second, for the photos.
limit_s=0
for i in 0 $((count / 2)); do
  convert "$photos/foto$i.jpg" "$work/pixels.ppm"
  dec=$(tjbench "$photos/foto$i.jpg" -quiet -benchtime 2 -warmup 1 | awk 'NF>=9 && $1!="Pixel" && $1!="Format" {print $NF}' | tail -1)
  enc=$(tjbench "$work/pixels.ppm" 90 -subsamp 420 -quiet -benchtime 2 -warmup 1 | awk 'NF>=9 && $1!="Pixel" && $1!="Format" {print $(NF-2)}' | tail -1)
  echo "tjbench foto$i: decode $dec MP/s, encode $enc MP/s"
  limit_s=$(awk -v l="$limit_s" -v d="$dec" -v e="$enc" 'BEGIN { print l + 12 / d + 12 / e }')
done
rm -f "$work/pixels.ppm"
# two sampled photos -> per-photo average, times the photo count, spread over the cores
limit_s=$(awk -v l="$limit_s" -v n="$count" -v c="$cores" 'BEGIN { printf "%.3f", l / 2 * n / c }')

many=()
for r in 1 2 3 4 5 6; do many+=("${list[@]}"); done
read -r ten_s ten_kb _ < <(measure "$exporter" -o "$work/ten.pdf" "${list[@]}")
read -r sixty_s sixty_kb _ < <(measure "$exporter" -o "$work/sixty.pdf" "${many[@]}")

echo
echo "cores: $cores, photos: $count x 12 MP"
printf "lumeno-export:            %8.2f s  %8d KB peak  %6.2f s CPU\n" "$ours_s" "$ours_kb" "$ours_cpu"
printf "gm convert -quality 90:   %8.2f s  %8d KB peak  %6.2f s CPU\n" "$gm_s" "$gm_kb" "$gm_cpu"
printf "libjpeg-turbo limit:      %8.2f s  (tjbench decode + encode / cores)\n" "$limit_s"
awk -v o="$ours_s" -v g="$gm_s" -v l="$limit_s" -v oc="$ours_cpu" -v gc="$gm_cpu" 'BEGIN {
  printf "speed-up over gm convert: %6.2fx   (target >= 5; CPU time ratio %.2fx)\n", g / o, gc / oc
  printf "share of the limit:       %6.1f %%   (target >= 80)\n", 100 * l / o }'
awk -v a="$ten_kb" -v b="$sixty_kb" -v s="$ten_s" -v t="$sixty_s" 'BEGIN {
  printf "peak memory 10 photos:    %8d KB (%.2f s)\n", a, s
  printf "peak memory 60 photos:    %8d KB (%.2f s)\n", b, t
  d = (b - a) / a * 100; if (d < 0) d = -d
  printf "difference:               %6.1f %%   (target < 10)\n", d }'
