#!/bin/bash
# Builds the libFuzzer targets (preset "fuzz") and runs each of them in turn.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target for SECONDS (default 600)
#   scripts/fuzz.sh --runs N [TARGET...]    each target for N inputs from the seeds alone, with
#                                           a fixed seed, so that the run is the same every time
#
# The seeds in fuzz/corpus/<target>/ are only read. What a timed run finds is kept in
# build/fuzz/corpus/<target>/ for the next one; a crashing input goes to
# build/fuzz/findings/<target>/ and the log to build/fuzz/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time=600)
fresh=false
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="$2" -seed=1)
  fresh=true
  shift 2
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  limit=(-max_total_time="$1")
  shift
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_document_url fuzz_path_logic fuzz_quoted_form fuzz_hive_file)
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

for target in "${targets[@]}"; do
  work="build/fuzz/corpus/$target"
  findings="build/fuzz/findings/$target"
  log="build/fuzz/$target.log"
  if $fresh; then rm -rf "$work"; fi
  mkdir -p "$work" "$findings"
  if ! "build/fuzz/fuzz/$target" "${limit[@]}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" \
      >"$log" 2>&1; then
    echo "$target failed; the report is in $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  echo "$target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')" \
    "inputs, $(grep -o 'cov: [0-9]*' "$log" | tail -n 1)"
done
