#!/bin/bash
# Builds and runs the whole test suite: the Linux build with its unit and black-box tests, and
# the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
ensure_packages "${LINUX_PACKAGES[@]}" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 python3-pefile \
  wixl msitools wine64

cmake --preset linux
cmake --build --preset linux
ctest --preset linux

cmake --preset windows
cmake --build --preset windows --target zub_launcher msi
/usr/bin/python3 tools/check_resources.py build/windows/zub_launcher.exe
ctest --preset windows -R '^msi$'
