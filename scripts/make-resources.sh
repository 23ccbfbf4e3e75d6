#!/usr/bin/env bash
# Makes the resource pictures in resources/ from quillmark-render frames of the default artwork:
# bitmap107.png (280x140, the configuration dialog's picture), bitmap112.png (155x115, the
# preview) and the program icon at 48, 128 and 256 pixels. The files are committed; run this again
# when the default artwork changes. Needs a build (BUILD, default build) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
# NO_BUILD=1 uses the tools already in $BUILD/bin.
[ -n "${NO_BUILD:-}" ] || cmake --build "$BUILD" --target quillmark-render quillmark-mkdata -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$PWD
out=$root/resources
mkdir -p "$out/icons/48x48" "$out/icons/128x128" "$out/icons/256x256"
"$BUILD/bin/quillmark-mkdata" "$work/data.rar" >/dev/null

# render NAME WxH FRAMES EYE LOOK: the last of FRAMES frames (seed 1, 1/60 s steps) seen from EYE.
render() {
  (cd "$work" && "$root/$BUILD/bin/quillmark-render" --seed 1 --size "$2" --frames "$3" --every "$3" \
     --eye "$4" --look "$5" --out "$work/$1" >/dev/null 2>&1)
  ls "$work/$1"/frame-*.png | tail -n 1
}

# Rendered at twice the size and scaled down, so that the small pictures stay smooth.
wide=$(render wide 1120x560 150 -10,-80,12 -60,-110,0)
convert "$wide" -filter Lanczos -resize 280x140 -font DejaVu-Sans-Bold -pointsize 20 \
  -fill white -stroke 'rgba(0,0,0,0.6)' -strokewidth 1 -gravity southeast -annotate +8+6 Quillmark \
  -strip -define png:exclude-chunks=date,time "$out/bitmap107.png"

preview=$(render preview 620x460 150 -10,-80,12 -60,-110,0)
convert "$preview" -filter Lanczos -resize 155x115 -strip -define png:exclude-chunks=date,time \
  "$out/bitmap112.png"

icon=$(render icon 512x512 150 -10,-80,12 -60,-110,0)
for size in 256 128 48; do
  convert "$icon" -filter Lanczos -resize ${size}x${size} -strip -define png:exclude-chunks=date,time \
    "$out/icons/${size}x${size}/quillmark.png"
done
identify "$out/bitmap107.png" "$out/bitmap112.png" "$out"/icons/*/quillmark.png
