#!/bin/bash
# Measures the launcher against its performance targets: builds the Release binaries it needs
# (Linux launcher and measuring tools, Windows executable), then prints one table of figures,
# targets and pass/miss. Exits non-zero when a target is missed.
#   bash bench/run.sh [--rounds N] [--open-rounds N] [--warmup N]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
ensure_packages "${LINUX_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

cmake --preset linux >/dev/null
cmake --build --preset linux --target zub_launcher zub_spawn_timer zub_link_bench >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows --target zub_launcher >/dev/null

exec /usr/bin/python3 bench/measure.py "$@"
