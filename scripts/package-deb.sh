#!/usr/bin/env bash
# Builds the Debian package of tessel and tessel-cli with CPack, from the
# Release build folder `build` (the one scripts/test.sh makes; configured here
# when it does not exist yet), and prints the package's path.
#   bash scripts/package-deb.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

bash "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSEL_TESTS=OFF \
        -DTESSEL_BENCH=OFF >/dev/null
fi
# CPack installs everything the folder builds, so everything must be built.
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tessel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/tessel_*.deb
