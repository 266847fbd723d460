#!/usr/bin/env bash
# What a maintainer with a Mac runs by hand to see the programs meet the real system: builds and
# tests with the macos preset, builds the universal macos-release programs where Xcode is
# installed, shows a real open panel and asks the probe for it, creates a Secure Enclave key and
# checks one of its signatures with openssl, and asks the permission helper about this terminal.
# Nothing here changes a permission; it only reports.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ $(uname -s) != Darwin ]]; then
  echo "mac-check.sh is for macOS; on Linux run scripts/test.sh and scripts/run.sh" >&2
  exit 1
fi

bash scripts/test.sh
bin=$PWD/build/macos/bin

# The universal build needs Xcode itself (its build system builds the Swift file for both
# architectures); with the command-line tools alone it is left out.
echo
echo "== macos-release: universal programs"
if xcodebuild -version > /dev/null 2>&1; then
  cmake --preset macos-release > /dev/null
  cmake --build --preset macos-release > /dev/null
  for program in ozmi-ax-probe ozmi-device-key ozmi-permission-helper; do
    echo "$program: $(lipo -archs "build/macos-release/bin/$program")"
  done
else
  echo "(Xcode is not the selected developer folder: sudo xcode-select -s /Applications/Xcode.app, then run this again)"
fi
work=$(mktemp -d)
panel=
cleanup() {
  [[ -n "$panel" ]] && kill "$panel" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

show() { printf '\n$ %s\n' "$*"; }
field() { python3 -c 'import json,sys; print(json.loads(sys.stdin.read()).get(sys.argv[1]))' "$1"; }

# The terminal this runs in is the process that macOS asks permissions for.
terminal_id=${__CFBundleIdentifier:-com.apple.Terminal}
terminal_app=$(osascript -e "POSIX path of (path to application id \"$terminal_id\")" 2> /dev/null || true)
terminal_app=${terminal_app%/}
echo "terminal: $terminal_id ${terminal_app:+($terminal_app)}"

echo
echo "== ozmi-ax-probe, with an open panel on screen"
osascript -e 'tell me to activate' -e 'choose file with prompt "ozmi mac-check: leave this panel open"' \
  > /dev/null 2>&1 &
panel=$!
sleep 3
show ozmi-ax-probe --open-panel
line=$("$bin/ozmi-ax-probe" --open-panel)
echo "$line"
kill "$panel" 2> /dev/null || true
panel=
if [[ $(field panel <<< "$line") == None ]]; then
  cat << MSG
No panel was found. The probe reads other applications through the Accessibility interface, and
macOS grants that to the application it runs under, here $terminal_id: open System Settings >
Privacy & Security > Accessibility (System Preferences > Security & Privacy > Privacy >
Accessibility before macOS 13), switch on the terminal, quit and reopen it, and run this again.
MSG
fi

echo
echo "== ozmi-device-key"
show ozmi-device-key available
"$bin/ozmi-device-key" available
show ozmi-device-key create
created=$("$bin/ozmi-device-key" create)
echo "$created"
if [[ $(field ok <<< "$created") == True ]]; then
  blob=$(field blob <<< "$created")
  printf 'hello from ozmi' > "$work/message"
  show "ozmi-device-key sign   (stdin: the blob, then base64 of the message)"
  signed=$(printf '%s\n%s\n' "$blob" "$(base64 < "$work/message")" | "$bin/ozmi-device-key" sign)
  echo "$signed"
  show "ozmi-device-key public (stdin: the blob)"
  public=$(printf '%s\n' "$blob" | "$bin/ozmi-device-key" public)
  echo "$public"
  [[ $(field x <<< "$public") == $(field x <<< "$created") && $(field y <<< "$public") == $(field y <<< "$created") ]] ||
    { echo "public gave other coordinates than create"; exit 1; }
  # The public key from x and y as a DER SubjectPublicKeyInfo, the signature (r then s) as a DER
  # ECDSA-Sig-Value: the forms openssl takes.
  python3 - "$created" "$signed" "$work" << 'PY'
import base64, json, sys
created, signed, work = json.loads(sys.argv[1]), json.loads(sys.argv[2]), sys.argv[3]
def b64url(text): return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))
point = b"\x04" + b64url(created["x"]) + b64url(created["y"])
spki = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d030107034200") + point
open(work + "/public.der", "wb").write(spki)
raw = b64url(signed["sig"])
def integer(b):
    b = b.lstrip(b"\x00") or b"\x00"
    if b[0] & 0x80: b = b"\x00" + b
    return b"\x02" + bytes([len(b)]) + b
body = integer(raw[:32]) + integer(raw[32:])
open(work + "/signature.der", "wb").write(b"\x30" + bytes([len(body)]) + body)
PY
  show "openssl dgst -sha256 -verify (public key from x and y) -signature (sig)"
  openssl dgst -sha256 -keyform DER -verify "$work/public.der" -signature "$work/signature.der" "$work/message"
else
  echo "(no Secure Enclave here: sign and public need a key, so they are not run)"
fi

echo
echo "== ozmi-permission-helper, for this terminal"
args=(--client "$terminal_id")
[[ -n "$terminal_app" ]] && args+=(--bundle "$terminal_app")
show ozmi-permission-helper "${args[@]}"
report=$("$bin/ozmi-permission-helper" "${args[@]}")
echo "$report"
python3 - "$report" << 'PY'
import json, sys
report = json.loads(sys.argv[1])
print("\naccessibility:", json.dumps(report.get("accessibility")))
tcc = report.get("tcc", {})
for row in tcc.get("rows", []):
    print("csreq: %s %s %s%s" % (row.get("db"), row.get("service"), row.get("csreq"),
          " (status %s)" % row["csreqStatus"] if "csreqStatus" in row else ""))
if not tcc.get("rows"):
    print("csreq: no rows for this client (tcc: %s)" % json.dumps({k: v for k, v in tcc.items() if k != "rows"}))
print("fullDisk:", " ".join("%s=%s" % kv for kv in report.get("fullDisk", {}).items()))
PY
show ozmi-permission-helper --front-window
"$bin/ozmi-permission-helper" --front-window
