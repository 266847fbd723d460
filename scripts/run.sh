#!/usr/bin/env bash
# Installs what is missing, builds the three programs and runs each one's main job on a built-in
# demo: a software TPM for the device key, a headless desktop with a GTK file chooser for the
# panel probe and the front window, and the permission report for a demo client.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh > /dev/null

# On a Mac each program asks the real system: the Secure Enclave, the panels on screen and the
# permission databases. scripts/mac-check.sh goes further (a panel shown, a signature checked).
if [[ $(uname -s) == Darwin ]]; then
  cmake --preset macos > /dev/null
  cmake --build --preset macos --target ozmi-ax-probe ozmi-device-key ozmi-permission-helper > /dev/null
  bin=$PWD/build/macos/bin
  show() { printf '\n$ %s\n' "$*"; }
  show ozmi-device-key available
  "$bin/ozmi-device-key" available
  show ozmi-ax-probe --open-panel
  "$bin/ozmi-ax-probe" --open-panel
  show ozmi-permission-helper --front-window
  "$bin/ozmi-permission-helper" --front-window
  show ozmi-permission-helper --version
  "$bin/ozmi-permission-helper" --version
  show ozmi-permission-helper
  "$bin/ozmi-permission-helper"
  exit 0
fi

cmake --preset dev > /dev/null
cmake --build --preset dev -j 2 --target ozmi-ax-probe ozmi-device-key-swtpm ozmi-permission-helper > /dev/null
bin=$PWD/build/dev/bin

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2> /dev/null || true; done
  bash device-key/tests/swtpm.sh stop "$work/tpm" > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

show() { printf '\n$ %s\n' "$*"; }
field() { /usr/bin/python3 -c 'import json,sys; print(json.loads(sys.stdin.read())[sys.argv[1]])' "$1"; }

echo "== ozmi-device-key, as its test build ozmi-device-key-swtpm: a software TPM on 127.0.0.1:2321, not the kernel's TPM that the installed program uses"
bash device-key/tests/swtpm.sh start "$work/tpm" 2321
show ozmi-device-key-swtpm available
"$bin/ozmi-device-key-swtpm" available
show ozmi-device-key-swtpm create
created=$("$bin/ozmi-device-key-swtpm" create)
echo "$created"
blob=$(field blob <<< "$created")
message=$(printf 'hello from ozmi' | base64)
show "ozmi-device-key-swtpm sign   (stdin: the blob, then base64 of \"hello from ozmi\")"
printf '%s\n%s\n' "$blob" "$message" | "$bin/ozmi-device-key-swtpm" sign
show "ozmi-device-key-swtpm public (stdin: the blob)"
printf '%s\n' "$blob" | "$bin/ozmi-device-key-swtpm" public

echo
echo "== ozmi-ax-probe and the front window, on a headless X11 desktop with a GTK file chooser"
exec {displayfd}<> <(:)
Xvfb -screen 0 1280x1024x24 -nolisten tcp -noreset -displayfd "$displayfd" > /dev/null 2>&1 &
pids+=($!)
read -r -t 10 display <&"$displayfd"
export DISPLAY=":$display"
DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
  read -r address; read -r pid; echo "$address $pid"; })
pids+=("${DBUS_SESSION_BUS_ADDRESS##* }")
export DBUS_SESSION_BUS_ADDRESS=${DBUS_SESSION_BUS_ADDRESS% *}
openbox > /dev/null 2>&1 &
pids+=($!)
mkdir -p "$work/Documents"
for f in notes.txt report.pdf summary.odt; do echo demo > "$work/Documents/$f"; done
/usr/bin/python3 testing/desktop/file_panel_app.py --title "Demo Editor" \
  --open "$work/Documents" --select report.pdf > /dev/null 2>&1 &
pids+=($!)
show ozmi-ax-probe
"$bin/ozmi-ax-probe"
show ozmi-ax-probe --open-panel
for _ in $(seq 50); do
  line=$("$bin/ozmi-ax-probe" --open-panel)
  [[ "$line" == *'"kind"'* ]] && break
  sleep 0.2
done
echo "$line"
show ozmi-permission-helper --front-window
"$bin/ozmi-permission-helper" --front-window

echo
echo "== ozmi-permission-helper"
show ozmi-permission-helper --version
"$bin/ozmi-permission-helper" --version
# Demo permission databases, placed at their fixed paths inside a private mount namespace.
csreq="X'fade0c000000002c00000001000000060000000200000010636f6d2e6578616d706c652e686f73740000000f'"
for db in user system; do
  sqlite3 "$work/$db.db" "CREATE TABLE access (service TEXT NOT NULL, client TEXT NOT NULL,
    client_type INTEGER, auth_value INTEGER, auth_reason INTEGER, auth_version INTEGER, csreq BLOB,
    policy_id INTEGER, indirect_object_identifier_type INTEGER, indirect_object_identifier TEXT,
    indirect_object_code_identity BLOB, flags INTEGER, last_modified INTEGER);"
done
sqlite3 "$work/user.db" "INSERT INTO access VALUES ('kTCCServiceAppleEvents', 'com.example.host', 0,
  0, 2, 1, $csreq, NULL, 0, 'com.apple.Terminal', NULL, 0, 1733788800);"
sqlite3 "$work/system.db" "INSERT INTO access VALUES ('kTCCServiceAccessibility', 'com.example.host', 0,
  2, 3, 1, $csreq, NULL, 0, 'UNUSED', NULL, 0, 1733788800);"
args=(--client com.example.host --automation com.apple.Terminal --capture)
show ozmi-permission-helper "${args[@]}"
if [[ $(id -u) == 0 ]] && command -v unshare > /dev/null; then
  mkdir "$work/root"
  unshare -m sh permission-helper/tests/run_at_fixed_paths.sh "$work/root" "$work/user.db" \
    "$work/system.db" "$bin/ozmi-permission-helper" "${args[@]}"
else
  echo "(not root: the demo databases cannot be placed at their fixed paths, so none is read)"
  "$bin/ozmi-permission-helper" "${args[@]}"
fi
