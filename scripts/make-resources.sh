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

# render NAME WxH FRAME: frame FRAME of the saver's own run (seed 1, 1/60 s steps, the camera
# director's shots) at the given size.
render() {
  (cd "$work" && "$root/$BUILD/bin/quillmark-render" --seed 1 --size "$2" --frames "$3" --every "$3" \
     --out "$work/$1" >/dev/null 2>&1)
  ls "$work/$1"/frame-*.png | tail -n 1
}
# Pictures are drawn at twice their size (or more) and scaled down, so that they stay smooth.
PNG_OUT=(-strip -define png:exclude-chunks=date,time)

# Frame 720: a green and a yellow car side by side at the kerbs.
wide=$(render wide 1120x560 720)
convert "$wide" -filter Lanczos -resize 280x140 -font DejaVu-Sans-Bold -pointsize 20 \
  -fill white -stroke 'rgba(0,0,0,0.6)' -strokewidth 1 -gravity northwest -annotate +8+4 Quillmark \
  "${PNG_OUT[@]}" "$out/bitmap107.png"

preview=$(render preview 620x460 720)
convert "$preview" -filter Lanczos -resize 155x115 "${PNG_OUT[@]}" "$out/bitmap112.png"

# Frame 300: a blue car head on.
icon=$(render icon 512x512 300)
for size in 256 128 48; do
  convert "$icon" -filter Lanczos -resize ${size}x${size} "${PNG_OUT[@]}" "$out/icons/${size}x${size}/quillmark.png"
done
identify "$out/bitmap107.png" "$out/bitmap112.png" "$out"/icons/*/quillmark.png
