#!/usr/bin/env bash
# Builds Quillmark, makes the built-in default artwork (data.rar) beside the binaries
# and starts the saver full-screen. Extra arguments replace the default "/s".
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
# Made again whenever the generator is newer, so an update never runs on old artwork.
if [ -x "$BUILD/bin/quillmark-mkdata" ] && { [ ! -f "$BUILD/bin/data.rar" ] ||
    [ "$BUILD/bin/quillmark-mkdata" -nt "$BUILD/bin/data.rar" ]; }; then
  "$BUILD/bin/quillmark-mkdata" "$BUILD/bin/data.rar"
fi
[ $# -eq 0 ] && set -- /s
exec "$BUILD/bin/quillmark" "$@"
