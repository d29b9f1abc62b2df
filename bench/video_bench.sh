#!/usr/bin/env bash
# video_bench.sh [BUILD_DIR] [PHOTOS]: the show as a video on generated 12-megapixel photos
# (20 unless PHOTOS says otherwise; the default show: fade in and out 1 s, pause 3 s,
# 1920x1080 at 30 fps) against ffmpeg's usual filter-graph recipe for the same show, run in
# this same script:
#   ours:   lumeno-export --video OURS.mp4 PHOTOS...
#   recipe: per photo `-loop 1 -framerate 30 -t 5 -i FOTO`, scale + pad on white, fade in and
#           out, concat, libx264 -preset veryfast -crf 20, yuv420p
# Prints the wall and CPU times, the time ratio (target >= 3), the size ratio (target
# <= 1.5), the quality of both (SSIM and PSNR against a lossless rendering of the recipe,
# the source frames) and the length of both videos against the show's 5 s per photo.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
count=${2:-20}
exporter=$build/bin/lumeno-export
if [ ! -x "$exporter" ]; then
  bash scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DLUMENO_BUILD_UI=OFF
fi
for tool in ffmpeg ffprobe convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (bash scripts/install-deps.sh --tests)" >&2; exit 1; }
done

work=out/bench-video
photos=$work/photos
mkdir -p "$photos"
# 4000 x 3000 photos like a camera's: a gradient, fractal noise and grain, each one shifted
# and recoloured, some upright (3000 x 4000) so the letterbox is part of the work.
if [ ! -f "$photos/foto$((count - 1)).jpg" ]; then
  echo "Erzeuge $count Fotos mit 12 Megapixeln ..."
  convert -size 4000x3000 gradient:'#ffb347'-'#3b1c6e' -seed 3 \
    \( -size 1000x750 plasma:fractal -resize 4000x3000! \) -compose overlay -composite \
    -attenuate 0.4 +noise Gaussian -sampling-factor 2x2 -quality 92 "$photos/foto0.jpg"
  for i in $(seq 1 $((count - 1))); do
    turn=""
    if [ $((i % 4)) = 3 ]; then turn="-rotate 90"; fi
    convert "$photos/foto0.jpg" -roll +$((i * 331))+$((i * 173)) \
      -modulate 100,$((80 + i * 5)),$((70 + i * 13)) $turn \
      -sampling-factor 2x2 -quality 92 "$photos/foto$i.jpg"
  done
fi
list=()
for i in $(seq 0 $((count - 1))); do list+=("$photos/foto$i.jpg"); done

# The recipe's command for the photos: $1 the output, the rest the encoder's options.
recipe() {
  local out=$1; shift
  local inputs=() graph="" concat=""
  for i in $(seq 0 $((count - 1))); do
    inputs+=(-loop 1 -framerate 30 -t 5 -i "${list[$i]}")
    graph+="[$i:v]scale=1920:1080:force_original_aspect_ratio=decrease,"
    graph+="pad=1920:1080:(ow-iw)/2:(oh-ih)/2:color=white,setsar=1,"
    graph+="fade=t=in:st=0:d=1:color=white,fade=t=out:st=4:d=1:color=white[v$i];"
    concat+="[v$i]"
  done
  graph+="${concat}concat=n=$count:v=1:a=0,format=yuv420p[out]"
  ffmpeg -v error -y "${inputs[@]}" -filter_complex "$graph" -map "[out]" -r 30 "$@" "$out"
}

# wall seconds and CPU seconds (user + system, with children) of a command, on one line.
timed() {
  local TIMEFORMAT='%R %U %S'
  { time "$@" >/dev/null 2>&1; } 2>"$work/time.txt"
  awk '{ printf "%s %.2f\n", $1, $2 + $3 }' "$work/time.txt"
}

echo "Last vorher: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -f "$work/ours.mp4" "$work/recipe.mp4"
read -r ours_wall ours_cpu < <(timed "$exporter" --video "$work/ours.mp4" "${list[@]}")
read -r recipe_wall recipe_cpu < <(timed recipe "$work/recipe.mp4" -c:v libx264 -preset veryfast -crf 20)
echo "Last nachher: $(cut -d' ' -f1-3 /proc/loadavg)"
ours_size=$(stat -c %s "$work/ours.mp4")
recipe_size=$(stat -c %s "$work/recipe.mp4")

# The source frames: the recipe without loss.
recipe "$work/reference.mkv" -c:v libx264 -preset ultrafast -qp 0
# SSIM and PSNR of $1 (its YCbCr matrix $2) against the reference, compared as RGB: our
# video is BT.709, the recipe's (untagged) has swscale's BT.601 from the JPEGs.
quality() {
  local rgb="format=gbrp"
  ffmpeg -v info -i "$1" -i "$work/reference.mkv" -lavfi \
    "[0:v]scale=in_color_matrix=$2:in_range=tv,$rgb,split[a0][a1];[1:v]scale=in_color_matrix=bt601:in_range=tv,$rgb,split[b0][b1];[a0][b0]ssim;[a1][b1]psnr" \
    -f null - 2>&1 | grep -oE '(All:[0-9.]+|average:[0-9.]+)' | sed 's/All:\(.*\)/SSIM \1/; s/average:\(.*\)/PSNR \1 dB/' | tr '\n' ' '
}
length() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
frames() {
  ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$1"
}

echo
echo "Fotos: $count (4000 x 3000), Video 1920x1080, 30 fps, Soll-Länge $((count * 5)) s"
printf 'lumeno-export --video: %6.2f s (CPU %6.2f s), %10d Bytes, %s s, %s Bilder\n' \
  "$ours_wall" "$ours_cpu" "$ours_size" "$(length "$work/ours.mp4")" "$(frames "$work/ours.mp4")"
printf 'ffmpeg-Rezept:         %6.2f s (CPU %6.2f s), %10d Bytes, %s s, %s Bilder\n' \
  "$recipe_wall" "$recipe_cpu" "$recipe_size" "$(length "$work/recipe.mp4")" "$(frames "$work/recipe.mp4")"
echo "Qualität gegen die verlustfreien Quellbilder:"
echo "  lumeno-export: $(quality "$work/ours.mp4" bt709)"
echo "  ffmpeg-Rezept: $(quality "$work/recipe.mp4" bt601)"
awk -v a="$recipe_wall" -v b="$ours_wall" -v c="$ours_size" -v d="$recipe_size" 'BEGIN {
  printf "Zeitverhältnis (Rezept / lumeno-export): %.2f (Ziel >= 3)\n", a / b
  printf "Größenverhältnis (lumeno-export / Rezept): %.2f (Ziel <= 1,5)\n", c / d
}'
