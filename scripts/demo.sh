#!/usr/bin/env bash
# The main job: installs what building and running need (no test tools), builds the programs,
# makes a sample show of generated photos (all of our own making, in several formats, one of
# them missing on purpose), saves it as out/sample.lmo and exports it to out/sample.pdf with
# the command-line exporter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMENO_BUILD_TESTS=OFF \
  -DLUMENO_BUILD_BENCH=OFF
exporter=build/bin/lumeno-export
[ -x "$exporter" ] || { echo "lumeno-export wurde nicht gebaut." >&2; exit 1; }

photos=out/sample-photos
mkdir -p "$photos"
# Photos drawn from gradients and seeded noise, so every run makes the same pictures.
convert -size 1600x1067 gradient:'#ffb347'-'#3b1c6e' \
  \( -size 1600x300 gradient:'#1b2a49'-'#0b0f1c' \) -gravity south -composite \
  -quality 92 "$photos/Sonnenuntergang.jpg"
convert -seed 7 -size 1200x900 plasma:'#2e8b57'-'#87ceeb' -blur 0x2 "$photos/Wiese.png"
convert -seed 3 -size 1024x768 plasma:fractal -blur 0x1 -colors 64 -type Palette \
  BMP3:"$photos/Farbenspiel.bmp"
convert -size 800x600 radial-gradient:'#fff6a0'-'#ff5e3a' "$photos/Sonne.gif"
convert -size 900x600 pattern:checkerboard -scale 900x600 -fill '#c0392b' -colorize 35 \
  -quality 92 "$photos/Schach.jpg"
if command -v heif-enc >/dev/null; then
  heif-enc -q 80 -o "$photos/Himmel.heic" "$photos/Sonnenuntergang.jpg" >/dev/null 2>&1 || true
fi

list=("$photos/Sonnenuntergang.jpg" "$photos/Wiese.png" "$photos/Farbenspiel.bmp"
      "$photos/Sonne.gif" "$photos/Schach.jpg")
[ -f "$photos/Himmel.heic" ] && list+=("$photos/Himmel.heic")
list+=("$photos/geloescht.jpg") # a photo that no longer exists: a black picture

# The show is also saved as a project file, which the window opens.
"$exporter" --captions --save-show out/sample.lmo -o out/sample.pdf "${list[@]}"
echo "Die PDF-Datei liegt in: $(pwd)/out/sample.pdf"
# The same show with every photo also as a page of its own, and as an HTML slide show:
# both play in any PDF viewer or browser.
"$exporter" --captions --pages --html out/sample.html -o out/sample-seiten.pdf "${list[@]}"
echo "Mit Fotoseiten: $(pwd)/out/sample-seiten.pdf, als HTML-Diashow: $(pwd)/out/sample.html"
cat <<END

Die Diaschau als Projektdatei: $(pwd)/out/sample.lmo
Im Fenster öffnen:
    build/bin/PDFLumeno out/sample.lmo
Installieren (Programme, Menüeintrag, Symbol, Dateityp .lmo, Handbuchseiten):
    cmake --install build --prefix /usr/local
oder als Debian-Paket:
    (cd build && cpack -G DEB) && apt install ./build/pdflumeno_1.0_amd64.deb
Danach: PDFLumeno $(pwd)/out/sample.lmo, oder die Datei im Dateimanager doppelklicken.
END
