#!/usr/bin/env bash
# Makes docs/hack-contact-sheet.jpg: the saver as an XScreenSaver hack on the root window of a
# private 400x300 X server, one picture every INTERVAL seconds (default 2) for 12 pictures, laid out by
# ImageMagick. BUILD names the build folder (default build); the settings come from a fresh folder,
# so the first-run defaults apply (clock on), with the frame rate shown.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
SECONDS_APART=${INTERVAL:-2}
cmake --build "$BUILD" --target quillmark quillmark-data -j2 >/dev/null
work=$(mktemp -d /tmp/qm-sheet.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/config/Brimholt" docs
ln -s "$PWD/$BUILD/data/data.rar" "$work/program/data.rar"
ln -s "$PWD/$BUILD/bin/bass.so" "$work/program/bass.so"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n"Path"="%s"\n' \
  "$work/program" >"$work/config/Brimholt/Quillmark.reg"

cat >"$work/run.sh" <<SCRIPT
#!/usr/bin/env bash
set -u
XDG_CONFIG_HOME="$work/config" QM_HACK_TRACE="$work/trace" "$PWD/$BUILD/bin/quillmark" -root -fps -no-music -no-sounds 2>/dev/null &
pid=\$!
for _ in \$(seq 1 600); do [ -s "$work/trace" ] && break; sleep 0.05; done
for i in \$(seq -w 1 12); do
  sleep $SECONDS_APART
  import -window root "$work/shot-\$i.png"
done
kill -TERM \$pid
wait \$pid
SCRIPT
chmod +x "$work/run.sh"
LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 400x300x24 +extension GLX +render -noreset" "$work/run.sh"
montage "$work"/shot-*.png -tile 4x3 -geometry 200x150+2+2 -background black -quality 85 docs/hack-contact-sheet.jpg
ls -l docs/hack-contact-sheet.jpg
