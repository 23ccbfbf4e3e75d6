#!/usr/bin/env bash
# `cmake --install` into a temporary prefix lays out a working saver: the program folder with the
# program, the audio module and the artwork, the launcher on the PATH, the hack where XScreenSaver
# looks, its settings file (checked with an XML parser) and the manual page; then the installed
# hack runs for a moment in the root window and ends cleanly on SIGTERM.
# Usage: install_test.sh BUILD_DIR (under an X server: run it through run-under-xvfb.sh).
set -u
build=$1
prefix=$(mktemp -d /tmp/qm-install.XXXXXX)
config=$(mktemp -d /tmp/qm-config.XXXXXX)
pid=""
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  rm -rf "$prefix" "$config"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; fail "cmake --install"; }
rm -f "$prefix.log"

program=$prefix/lib/quillmark
[ -x "$program/quillmark" ] || fail "no program in lib/quillmark"
[ -f "$program/data.rar" ] || fail "no data.rar beside the program"
[ -f "$program/bass.so" ] || fail "no audio module beside the program"
for link in bin/quillmark lib/xscreensaver/quillmark libexec/xscreensaver/quillmark; do
  [ -L "$prefix/$link" ] || fail "$link is not a link"
  [ "$(readlink -f "$prefix/$link")" = "$(readlink -f "$program/quillmark")" ] || fail "$link does not lead to the program"
done
[ -f "$prefix/share/man/man6/quillmark.6" ] || fail "no manual page"
for word in '\-window\-id' '\-root' '/s' XSCREENSAVER_WINDOW Quillmark.reg; do
  grep -qF -- "$word" "$prefix/share/man/man6/quillmark.6" || fail "the manual page does not mention $word"
done

xml=$prefix/share/xscreensaver/config/quillmark.xml
[ -f "$xml" ] || fail "no XScreenSaver settings file"
python3 - "$xml" <<'PY' || fail "settings file"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver", root.tag
assert root.get("name") == "quillmark" and root.get("_label") == "Quillmark", root.attrib
words = set()
for e in root.iter():
    for key in ("arg", "arg-set", "arg-unset"):
        if e.get(key):
            words.add(e.get(key).split()[0])
want = {"-fps", "-no-clock", "-12h", "-no-music", "-no-sounds", "-volume"}
assert want <= words, want - words
known = want | {"-root", "-no-fps", "-clock", "-24h", "-music", "-sounds", "-window-id"}
assert words <= known, words - known
volume = [e for e in root.iter("number") if e.get("arg", "").startswith("-volume")][0]
assert (volume.get("low"), volume.get("high")) == ("0", "100"), volume.attrib
description = root.find("_description")
assert description is not None and len(description.text.strip()) > 40
PY

"$prefix/bin/quillmark" --help | grep -q -- "-window-id ID" || fail "--help through the launcher"

# The installed hack, as XScreenSaver would start it, finds its artwork and module by itself.
export XDG_CONFIG_HOME=$config
trace=$config/settings.json
QM_HACK_TRACE=$trace "$prefix/lib/xscreensaver/quillmark" -root -no-music -no-sounds 2>"$config/stderr" &
pid=$!
for _ in $(seq 1 300); do
  [ -s "$trace" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$config/stderr"; fail "the installed hack ended during start-up"; }
  sleep 0.05
done
[ -s "$trace" ] || fail "the installed hack did not reach its frame loop"
sleep 1
kill -TERM "$pid"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || { cat "$config/stderr"; fail "exit status $status after SIGTERM"; }
echo "installed tree in $prefix works"
