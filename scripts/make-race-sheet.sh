#!/usr/bin/env bash
# Makes docs/race-contact-sheet.jpg: frames of the default artwork from quillmark-render at
# 1024x768, seed 1 (cars on the grid at the start line, in turn 1, close up, on the straight)
# and four frames filmed by the camera director, laid out by ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
[ "${NO_BUILD:-0}" = 1 ] || cmake --build "$BUILD" --target quillmark-render quillmark-mkdata -j2 >/dev/null
work=$(mktemp -d /tmp/qm-race.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$BUILD/bin/quillmark-mkdata" "$work/data.rar"
cd "$work"
render() {  # name frames eye look
  "$OLDPWD/$BUILD/bin/quillmark-render" --seed 1 --frames "$2" --every "$2" --out "$work/$1" \
    --eye "$3" --look "$4" >/dev/null 2>&1
  mv "$work/$1/frame-$(printf %04d "$2").png" "$work/$1.png"
}
render start 1 -10,-80,12 -60,-110,0
render grid 1 3.5,-100,0.9 7.5,-97.3,0.15
render turn 300 196,-80,2.2 176,-93,0.2
render straight 1 70,-93.5,1.6 95,-97,0.2
"$OLDPWD/$BUILD/bin/quillmark-render" --seed 1 --frames 1440 --every 360 --out "$work/director" >/dev/null 2>&1
cd "$OLDPWD"
mkdir -p docs
montage "$work"/start.png "$work"/grid.png "$work"/turn.png "$work"/straight.png \
  "$work"/director/frame-*.png -tile 4x2 -geometry 512x384+2+2 -background black -quality 85 \
  docs/race-contact-sheet.jpg
ls -l docs/race-contact-sheet.jpg
