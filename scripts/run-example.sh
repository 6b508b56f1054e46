#!/usr/bin/env bash
# Installs what is missing, builds tessel-cli and runs an example script on
# the embedded engine in a fresh folder, printing the console's output.
#   bash scripts/run-example.sh [examples/NAME.sql]
# Its own build folder holds only what it runs (no tests, benchmarks or
# window), so it never disturbs the test build's settings.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
script="$(realpath "${1:-$root/examples/quickstart.sql}")"
build="$root/build-example"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DTESSEL_TESTS=OFF -DTESSEL_BENCH=OFF -DTESSEL_GUI=OFF \
    -DTESSEL_SUBSYSTEMS="foundation;workbook;engine;mdo;scripter;spreadsheet;app;cli" >/dev/null
cmake --build "$build" -j "$(nproc)" --target tessel-cli

work="$(mktemp -d "${TMPDIR:-/tmp}/tessel-example.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "== $(basename "$script") in $work =="
"$build/src/cli/tessel-cli" -q "$script"
