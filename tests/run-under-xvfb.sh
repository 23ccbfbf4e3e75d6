#!/usr/bin/env bash
# Runs one command under a private Xvfb server with Mesa's software rasterizer.
set -u
export LIBGL_ALWAYS_SOFTWARE=1
if [ -n "${DISPLAY:-}" ] && [ -z "${QM_FORCE_XVFB:-}" ]; then exec "$@"; fi
exec xvfb-run -a -s "-screen 0 1024x768x24 +extension GLX +render -noreset" "$@"
