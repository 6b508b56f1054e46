#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the examples need,
# only those that are missing. Safe to run again.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-server firebird3.0-utils firebird3.0-examples
    qt6-base-dev libgl-dev libqscintilla2-qt6-dev fonts-dejavu-core
    libfreexl-dev python3-xlrd python3-olefile libedit-dev locales
    zlib1g-dev python3-openpyxl
    clang libclang-rt-14-dev clang-format
    dpkg-dev file man-db
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
