#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the plain build, the build under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

for preset in dev sanitize; do
  echo "== $preset"
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset" -j 2
  ctest --preset "$preset"
done

echo "== fuzz"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j 2
bash scripts/run-fuzzers.sh build/fuzz "${OZMI_FUZZ_SECONDS:-15}"
