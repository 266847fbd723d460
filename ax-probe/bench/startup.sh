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
t, p = r["trivial"], r["ozmi-ax-probe"]
# On a busy machine the median mostly measures the wait for a core; the fastest run and the
# CPU time spent are steadier, so the verdict goes by the fastest run.
rows = [("median", t["median"], p["median"]), ("fastest", min(t["times"]), min(p["times"])),
        ("cpu (user+sys)", t["user"] + t["system"], p["user"] + p["system"])]
for name, a, b in rows:
    print(f"{name:>15}: trivial {a*1e6:7.0f} us, ozmi-ax-probe {b*1e6:7.0f} us, ratio {b/a:.2f}")
ratio = rows[1][2] / rows[1][1]
print(f"verdict (fastest runs): ratio {ratio:.2f}, target <= 1.5")
sys.exit(0 if ratio <= 1.5 else 1)
PY
