#!/usr/bin/env bash
# codec_bench.sh [BUILD_DIR]: measures the image library's JPEG decode and encode (quality 90)
# against tjbench, and its reduced thumbnail load against vipsthumbnail -s 80x80, on
# 12-megapixel photo-like pictures made here. Prints both ratios and the targets
# (decode and encode >= 0.80 of tjbench, thumbnails >= 3x faster than vipsthumbnail).
# BENCH_SECONDS (default 3) is the measuring time of each throughput run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bench=$build/bin/codec_bench
if [ ! -x "$bench" ]; then
  cmake --build "$build" --target codec_bench -j 2 > /dev/null
fi
for tool in tjbench vipsthumbnail; do
  command -v $tool > /dev/null || { echo "codec_bench: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done
secs=${BENCH_SECONDS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== 12-megapixel photo-like picture (4000 x 3000)"
"$bench" make "$work/photo.ppm" 4000 3000 1

echo "== JPEG encode at quality 90 (4:2:0), megapixels per second"
ours_enc=$("$bench" encode "$work/photo.ppm" "$work/photo.jpg" "$secs")
tj_enc=$(tjbench "$work/photo.ppm" 90 -subsamp 420 -componly -nowrite -benchtime "$secs" -warmup 1 |
  awk '/Throughput:/ { print $2; exit }')
echo "pictavo SaveDib: $ours_enc   tjbench: $tj_enc"

echo "== JPEG decode of the same file, megapixels per second"
ours_dec=$("$bench" decode "$work/photo.jpg" "$secs")
tj_dec=$(tjbench "$work/photo.jpg" -nowrite -benchtime "$secs" -warmup 1 |
  awk '/Throughput:/ { v = $2 } END { print v }')
echo "pictavo OpenDib: $ours_dec   tjbench: $tj_dec"

echo "== thumbnails (at least 80 x 80) of six 12-megapixel JPEGs, milliseconds per picture"
files=()
for seed in 1 2 3 4 5 6; do
  "$bench" make "$work/p$seed.ppm" 4000 3000 "$seed"
  if command -v cjpeg > /dev/null; then
    cjpeg -quality 90 "$work/p$seed.ppm" > "$work/p$seed.jpg"
  else
    "$bench" encode "$work/p$seed.ppm" "$work/p$seed.jpg" 0 > /dev/null
  fi
  rm "$work/p$seed.ppm"
  files+=("$work/p$seed.jpg")
done
"$bench" thumbs "${files[@]}" > /dev/null # file cache warm for both
ours_tn=$("$bench" thumbs "${files[@]}")
mkdir "$work/tn"
# vipsthumbnail at its best: one process for all files, start-up shared.
start=$(date +%s%N)
vipsthumbnail -s 80x80 -o "$work/tn/%s.jpg" "${files[@]}"
end=$(date +%s%N)
vips_tn=$(awk -v ns=$((end - start)) -v n=${#files[@]} 'BEGIN { printf "%.2f", ns / 1e6 / n }')
# One process per picture, as a script making thumbnails file by file would run it.
start=$(date +%s%N)
for f in "${files[@]}"; do vipsthumbnail -s 80x80 -o "$work/tn/%s.jpg" "$f"; done
end=$(date +%s%N)
vips_each=$(awk -v ns=$((end - start)) -v n=${#files[@]} 'BEGIN { printf "%.2f", ns / 1e6 / n }')
echo "plain JPEGs (no embedded thumbnail, full entropy decode at 1/8 scale):"
echo "  pictavo OpenDibReduced: $ours_tn   vipsthumbnail: $vips_tn (one run for all), $vips_each (one run per picture)"

# The same pictures as cameras and phones write them, with a 160 x 120 EXIF thumbnail.
cams=()
for f in "${files[@]}"; do
  "$bench" camera "$f" "${f%.jpg}_cam.jpg"
  cams+=("${f%.jpg}_cam.jpg")
done
"$bench" thumbs "${cams[@]}" > /dev/null
ours_cam=$("$bench" thumbs "${cams[@]}")
start=$(date +%s%N)
vipsthumbnail -s 80x80 -o "$work/tn/%s.jpg" "${cams[@]}"
end=$(date +%s%N)
vips_cam=$(awk -v ns=$((end - start)) -v n=${#cams[@]} 'BEGIN { printf "%.2f", ns / 1e6 / n }')
echo "camera-style JPEGs (160 x 120 EXIF thumbnail):"
echo "  pictavo OpenDibReduced: $ours_cam   vipsthumbnail: $vips_cam (one run for all)"

echo "== ratios"
awk -v a="$ours_enc" -v b="$tj_enc" 'BEGIN { r = a / b; printf "encode ratio (pictavo / tjbench):        %.2f  target >= 0.80  %s\n", r, (r >= 0.8 ? "met" : "NOT MET") }'
awk -v a="$ours_dec" -v b="$tj_dec" 'BEGIN { r = a / b; printf "decode ratio (pictavo / tjbench):        %.2f  target >= 0.80  %s\n", r, (r >= 0.8 ? "met" : "NOT MET") }'
awk -v a="$vips_tn" -v b="$ours_tn" 'BEGIN { r = a / b; printf "thumbnail speed-up, plain JPEGs, vips one run (vipsthumbnail / ours):    %.2f  target >= 3  %s\n", r, (r >= 3 ? "met" : "NOT MET") }'
awk -v a="$vips_each" -v b="$ours_tn" 'BEGIN { r = a / b; printf "thumbnail speed-up, plain JPEGs, vips per picture (vipsthumbnail / ours): %.2f  target >= 3  %s\n", r, (r >= 3 ? "met" : "NOT MET") }'
awk -v a="$vips_cam" -v b="$ours_cam" 'BEGIN { r = a / b; printf "thumbnail speed-up, camera-style JPEGs (vipsthumbnail / ours):          %.2f  target >= 3  %s\n", r, (r >= 3 ? "met" : "NOT MET") }'
