#!/bin/bash
# Builds and runs the whole test suite: the Linux build and its Debian package with their unit,
# black-box and package tests, the same under the sanitizers with a short run of each fuzz
# target, and the Windows build with its unit and end-to-end tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
ensure_packages "${LINUX_PACKAGES[@]}" "${DEB_PACKAGES[@]}" "${BROWSER_PACKAGES[@]}" \
  "${CLANG_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

# Runs a step with its output kept back unless it fails.
quietly() {
  local log
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

cmake --preset linux
cmake --build --preset linux --target package
ctest --preset linux

# The same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and each fuzz target for
# a short, fixed run (scripts/fuzz.sh 600 runs them for ten minutes each).
if [ -x /usr/bin/llvm-symbolizer ]; then export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer; fi
quietly cmake --preset sanitize
quietly cmake --build --preset sanitize
quietly ctest --preset sanitize
echo "Sanitizer build: every test passed"
scripts/fuzz.sh --preset sanitize --runs 10000

cmake --preset windows
cmake --build --preset windows --target all msi
ctest --preset windows
