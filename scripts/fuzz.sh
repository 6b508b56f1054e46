#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 120). A crash, a hang or a sanitizer report fails the run. An input
# may take long without hanging: SET CLIENT_LIBRARY shuts the embedded engine
# down, which takes seconds on a loaded machine, so a hang is one of 60 s.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-120}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DTESSEL_FUZZ=ON -DTESSEL_TESTS=OFF \
    -DTESSEL_BENCH=OFF -DTESSEL_GUI=OFF -DTESSEL_WERROR=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz_all

for target in build-fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=build-fuzz/corpus/$name
    mkdir -p "$corpus"
    seeds=fuzz/seeds/$name
    echo "-- $name for ${SECONDS_EACH}s"
    args=("$corpus")
    [ -d "$seeds" ] && args+=("$seeds")
    "$target" -max_total_time="$SECONDS_EACH" -timeout=60 -rss_limit_mb=2048 \
        -print_final_stats=0 "${args[@]}" 2>build-fuzz/$name.log || {
        tail -50 build-fuzz/$name.log
        echo "$name failed"
        exit 1
    }
done
