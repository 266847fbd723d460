#!/usr/bin/env bash
# Whole-process time of `ozmi-ax-probe --open-panel` against a GTK 3 file chooser showing a
# folder of 1000 files, with one of them selected, on a private headless desktop. Timed both
# ways: the shipped probe (each window's tree prefetched level by level) and
# bench-ax-probe-per-read (each attribute read when it is asked for).
# usage: bench_probe.sh BUILD_DIR   (a build with OZMI_BUILD_BENCHMARKS=ON)
set -euo pipefail
build=${1:?usage: bench_probe.sh BUILD_DIR}
probe="$build/bin/ozmi-ax-probe"
perRead="$build/bin/bench-ax-probe-per-read"
for p in "$probe" "$perRead"; do
  [[ -x $p ]] || { echo "missing $p: build ozmi-ax-probe and bench-ax-probe-per-read first"; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)

groups=()
folder=$(mktemp -d /tmp/ozmi-bench-XXXXXX)
cleanup() {
  # Each process was started as the leader of its own group; the group goes with it.
  for ((i = ${#groups[@]} - 1; i >= 0; i--)); do kill -TERM -- "-${groups[i]}" 2>/dev/null || true; done
  sleep 0.2
  for g in "${groups[@]}"; do kill -KILL -- "-$g" 2>/dev/null || true; done
  rm -rf "$folder"
}
trap cleanup EXIT

for i in $(seq -w 0 999); do : > "$folder/file_$i.txt"; done

fifo="$folder/.display"
mkfifo "$fifo"
setsid Xvfb -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$fifo" >/dev/null 2>&1 &
groups+=($!)
read -r -t 20 number <"$fifo"
export DISPLAY=":$number"

setsid dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$fifo" >/dev/null 2>&1 &
groups+=($!)
read -r -t 20 address <"$fifo"
export DBUS_SESSION_BUS_ADDRESS="$address"

setsid openbox >/dev/null 2>&1 &
groups+=($!)
setsid /usr/bin/python3 "$here/file_panel_app.py" --title "Bench" --open "$folder" --select file_500.txt \
  >/dev/null 2>&1 &
groups+=($!)

# The chooser lists the folder asynchronously; wait (at most 60 s) until the probe sees the file.
for _ in $(seq 600); do
  if "$probe" --open-panel | grep -q '"name":"file_500.txt"'; then break; fi
  sleep 0.1
done
"$probe" --open-panel
echo
"$perRead" --open-panel
echo
hyperfine -N --warmup 3 --runs 30 \
  -n "prefetch (shipped)" "$probe --open-panel" \
  -n "one call per read" "$perRead --open-panel"
