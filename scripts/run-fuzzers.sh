#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short, fixed time each.
# usage: run-fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=${1:?build dir}
seconds=${2:-15}
shopt -s nullglob
targets=("$build"/bin/fuzz-*)
((${#targets[@]})) || { echo "no fuzz targets in $build/bin"; exit 1; }
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=0 "$corpus" \
    > "$build/$name.log" 2>&1 || { tail -n 60 "$build/$name.log"; echo "$name failed"; exit 1; }
done
echo "fuzzing: ${#targets[@]} targets, no finding"
