#!/bin/bash
# Builds and runs the whole test suite: the Linux build with its unit and black-box tests, and
# the Windows build with its unit and end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
ensure_packages "${LINUX_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

cmake --preset linux
cmake --build --preset linux
ctest --preset linux

cmake --preset windows
cmake --build --preset windows --target all msi
ctest --preset windows
