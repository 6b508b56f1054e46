#!/usr/bin/env bash
# Builds everything and runs every test twice: a Release build with warnings
# as errors (so that warnings only the optimiser finds show here first) and a
# build with the address and undefined-behaviour sanitizers. Then builds the
# fuzz targets with clang and runs each briefly. Installs missing packages
# first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

JOBS=$(nproc)
export QT_QPA_PLATFORM=offscreen

# The project's options are set afresh each time, so that what an earlier
# configure of the same folder left in its cache cannot narrow the run.
run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -U 'TESSEL_*' -DTESSEL_TESTS=ON -DTESSEL_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
    ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$JOBS"
}

echo "== Release build and test =="
run_suite build -DCMAKE_BUILD_TYPE=Release
echo "== sanitizer build and test =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite build-asan -DTESSEL_SANITIZE=ON -DTESSEL_BENCH=OFF

echo "== fuzz smoke run =="
FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/fuzz.sh
