#!/bin/bash
# Builds the libFuzzer targets and runs each of them in turn.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]   each target for SECONDS (default 600)
#   scripts/fuzz.sh --runs N [TARGET...]    each target for N inputs from the seeds alone, with
#                                           a fixed seed, so that the run is the same every time
#   --preset NAME (first)                   the build to use: "fuzz" (default, optimised) or
#                                           "sanitize" (the test suite's build, not optimised)
#
# The seeds in fuzz/corpus/<target>/ are only read. What a timed run finds is kept in
# build/<preset>/fuzz/corpus/<target>/ for the next one; an input that breaks a property goes
# to build/<preset>/fuzz/findings/<target>/, the log to build/<preset>/fuzz/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=fuzz
if [ "${1:-}" = "--preset" ]; then
  preset=$2
  shift 2
fi
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

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target "${targets[@]}" >/dev/null
# Stack traces with names.
if [ -x /usr/bin/llvm-symbolizer ]; then export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer; fi

out="build/$preset/fuzz"
for target in "${targets[@]}"; do
  work="$out/corpus/$target"
  findings="$out/findings/$target"
  log="$out/$target.log"
  if $fresh; then rm -rf "$work"; fi
  mkdir -p "$work" "$findings"
  if ! "$out/$target" "${limit[@]}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$target" \
      >"$log" 2>&1; then
    echo "$target failed; the report is in $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
  fi
  echo "$target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')" \
    "inputs, $(grep -o 'cov: [0-9]*' "$log" | tail -n 1)"
done
