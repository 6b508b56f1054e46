#!/usr/bin/env bash
# Installs what is missing, builds tessel-cli and runs an example script on
# the embedded engine in a fresh folder, printing the console's output.
#   bash scripts/run-example.sh [examples/NAME.sql]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
script="$(realpath "${1:-$root/examples/quickstart.sql}")"

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target tessel-cli

work="$(mktemp -d "${TMPDIR:-/tmp}/tessel-example.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "== $(basename "$script") in $work =="
"$root/build/src/cli/tessel-cli" -q "$script"
