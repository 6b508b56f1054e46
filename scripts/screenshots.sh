#!/usr/bin/env bash
# Takes PNG pictures of the console window after a query, in the default and
# the classic colour scheme, on Qt's offscreen platform (no display needed).
# Usage: scripts/screenshots.sh [OUTPUT_FOLDER]   (default: build/screenshots)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TESSEL_BUILD_DIR:-$root/build}"
out="${1:-$build/screenshots}"
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DTESSEL_BENCH=OFF -DTESSEL_TESTS=OFF
fi
cmake --build "$build" --target tessel-screenshots
QT_QPA_PLATFORM=offscreen "$build/src/console/tessel-screenshots" "$out"
