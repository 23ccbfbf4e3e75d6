#!/usr/bin/env bash
# Builds Quillmark with its tests and runs the quick and fuzz-smoke suites with CTest.
# Installs the Debian packages it needs first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --test
BUILD=${BUILD:-build}
cmake -S . -B "$BUILD" -DQM_BUILD_TESTS=ON -DQM_BUILD_FUZZERS=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" -LE benchmark "$@"
