#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the plain build, the build under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# On a Mac: the macos preset alone. The sanitizer build talks to a software TPM and the fuzz
# targets are built with Debian's clang and libFuzzer; both are Linux's.
if [[ $(uname -s) == Darwin ]]; then
  cmake --preset macos > /dev/null
  cmake --build --preset macos
  ctest --preset macos | tee build/macos/ctest.log
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' build/macos/ctest.log)
  notrun=$(grep -c '(Skipped)$' build/macos/ctest.log || true)
  echo "tests: $((${total:-0} - notrun)) passed, 0 failed, $notrun skipped"
  exit 0
fi

passed=0 skipped=0
for preset in dev sanitize; do
  echo "== $preset"
  cmake --preset "$preset" > /dev/null
  cmake --build --preset "$preset" -j 2
  ctest --preset "$preset" | tee "build/$preset/ctest.log"
  # ctest's summary: "100% tests passed, 0 tests failed out of N"
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "build/$preset/ctest.log")
  notrun=$(grep -c '(Skipped)$' "build/$preset/ctest.log" || true)
  passed=$((passed + ${total:-0} - notrun))
  skipped=$((skipped + notrun))
done

echo "== fuzz"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz -j 2
bash scripts/run-fuzzers.sh build/fuzz "${OZMI_FUZZ_SECONDS:-15}"

echo "tests: $passed passed, 0 failed, $skipped skipped"
