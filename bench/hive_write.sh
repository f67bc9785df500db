#!/bin/bash
# What a write of a hive file costs (bench/hive_write.py): builds the Linux launcher, then prints
# time, peak memory and the file's size before and after for each case.
#   bash bench/hive_write.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
ensure_packages "${LINUX_PACKAGES[@]}" time

cmake --preset linux >/dev/null
cmake --build --preset linux --target zub_launcher >/dev/null

exec /usr/bin/python3 bench/hive_write.py
