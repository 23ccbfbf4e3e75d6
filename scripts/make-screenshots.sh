#!/usr/bin/env bash
# Saves pictures of the configuration dialog, the About box and the preview into docs/, taken by
# the dialog tests under a private X server (BUILD names the build folder, default build).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build}
cmake --build "$BUILD" --target quillmark dialog_window_test dialog_preview_test -j2 >/dev/null
mkdir -p docs
export QM_SCREENSHOT_DIR=$PWD/docs QM_BINARY_DIR=$PWD/$BUILD QM_FORCE_XVFB=1
tests/run-under-xvfb.sh "$BUILD/tests/dialog_window_test" --gtest_filter='*ReturnConfirms:*AboutBox*' >/dev/null
tests/run-under-xvfb.sh "$BUILD/tests/dialog_preview_test" --gtest_filter='*EndsWithItsHost' >/dev/null
ls -l docs/configuration-dialog.png docs/about-box.png docs/preview.png
