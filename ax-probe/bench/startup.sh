#!/usr/bin/env bash
# Start-up cost of ozmi-ax-probe without the search flag, side by side with a C++ program that
# only prints one line. The probe should cost at most 1.5 times as much.
# usage: startup.sh BUILD_DIR   (a build with OZMI_BUILD_BENCHMARKS=ON)
set -euo pipefail
build=${1:?usage: startup.sh BUILD_DIR}
probe="$build/bin/ozmi-ax-probe"
trivial="$build/bin/bench-trivial-program"
for p in "$probe" "$trivial"; do
  [[ -x $p ]] || { echo "missing $p: build ozmi-ax-probe and bench-trivial-program first"; exit 1; }
done
json=$(mktemp)
trap 'rm -f "$json"' EXIT
hyperfine -N --warmup 200 --runs 3000 --export-json "$json" \
  -n trivial "$trivial" -n ozmi-ax-probe "$probe"
python3 - "$json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
t, p = r["trivial"]["median"], r["ozmi-ax-probe"]["median"]
ratio = p / t
print(f"median: trivial {t*1e6:.0f} us, ozmi-ax-probe {p*1e6:.0f} us, ratio {ratio:.2f} (target <= 1.5)")
sys.exit(0 if ratio <= 1.5 else 1)
PY
