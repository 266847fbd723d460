#!/usr/bin/env bash
# Whole-process time of the device key tool against a software TPM, beside the same work done by
# tpm2-tools and by OpenSSL in software; prints the ratios at the end.
# usage: compare.sh BUILD_DIR [RUNS]
# BUILD_DIR is a build whose OZMI_TEST_TCTI is "swtpm:host=127.0.0.1,port=N" (the dev preset),
# and the tool timed is its test build ozmi-device-key-swtpm: the same program as ozmi-device-key
# but for the TCTI. This script starts its own swtpm on that port and stops it when done.
set -euo pipefail
build=$(cd "${1:?build dir}" && pwd)
runs=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
tool="$build/bin/ozmi-device-key-swtpm"
[[ -x "$tool" ]] || { echo "no $tool; build the ozmi-device-key-swtpm target first" >&2; exit 1; }
tcti=$(sed -n 's/^OZMI_TEST_TCTI:STRING=//p' "$build/CMakeCache.txt")
[[ "$tcti" =~ ^swtpm:host=127\.0\.0\.1,port=([0-9]+)$ ]] || {
  echo "$build talks to '$tcti', not to a swtpm on loopback" >&2
  exit 1
}
port=${BASH_REMATCH[1]}

work=$(mktemp -d)
state="$work/tpm"
trap 'bash "$here/../tests/swtpm.sh" stop "$state"; rm -rf "$work"' EXIT
bash "$here/../tests/swtpm.sh" start "$state" "$port"

# Inputs: one key of the tool, a message, a software key for OpenSSL, a key for tpm2-tools.
printf 'a message to sign, as the host would send it\n' > "$work/message"
blob=$("$tool" create | python3 -c 'import json, sys; print(json.load(sys.stdin)["blob"])')
printf '%s\n%s\n' "$blob" "$(base64 -w0 "$work/message")" > "$work/sign-input"
openssl ecparam -name prime256v1 -genkey -noout -out "$work/soft.pem"
export TPM2TOOLS_TCTI="$tcti"
tpm2_createprimary -Q -C o -G ecc256 -c "$work/primary.ctx"
tpm2_create -Q -C "$work/primary.ctx" -G ecc256:ecdsa-sha256 -u "$work/key.pub" -r "$work/key.priv"
tpm2_flushcontext -t

# The tools keep what they create or load in the TPM and hand it on as saved contexts; without a
# resource manager nothing flushes it, and swtpm has three object slots. So every run starts
# from an empty TPM (--prepare), and the sign chain needs one flush before tpm2_sign, which
# reloads the key as a fourth object. That flush is timed alone too, to take it out again.
flush="tpm2_flushcontext -t"
tools_create="tpm2_createprimary -Q -C o -G ecc256 -c $work/p.ctx && tpm2_create -Q -C $work/p.ctx -G ecc256:ecdsa-sha256 -u $work/n.pub -r $work/n.priv"
tools_sign="tpm2_createprimary -Q -C o -G ecc256 -c $work/p.ctx && tpm2_load -Q -C $work/p.ctx -u $work/key.pub -r $work/key.priv -c $work/k.ctx && $flush && tpm2_sign -Q -c $work/k.ctx -g sha256 -o $work/tools.sig $work/message"
openssl_sign="openssl dgst -sha256 -sign $work/soft.pem -out $work/soft.sig $work/message"

hyperfine --style basic --warmup 5 --runs "$runs" --export-json "$work/tpm.json" \
  --prepare "$flush" \
  -n "ozmi-device-key create" "$tool create" \
  -n "tpm2-tools create" "$tools_create" \
  -n "ozmi-device-key sign" "$tool sign < $work/sign-input" \
  -n "tpm2-tools sign" "$tools_sign" \
  -n "openssl dgst -sign" "$openssl_sign" \
  -n "tpm2_flushcontext" "$flush"

# With nothing listening where the TPM should be.
bash "$here/../tests/swtpm.sh" stop "$state"
hyperfine --style basic --warmup 5 --runs "$runs" --export-json "$work/none.json" \
  -n "ozmi-device-key available, no TPM" "$tool available"

python3 - "$work/tpm.json" "$work/none.json" <<'PY'
import json, sys
means = {}
for path in sys.argv[1:]:
    for r in json.load(open(path))["results"]:
        means[r["command"]] = r["mean"] * 1000
print()
for name, ms in means.items():
    print(f"{name:40s} {ms:7.2f} ms")
print()
print(f"create: tpm2-tools chain / ozmi-device-key = {means['tpm2-tools create'] / means['ozmi-device-key create']:.2f} (target >= 4)")
tools_sign = means['tpm2-tools sign'] - means['tpm2_flushcontext']
print(f"sign:   tpm2-tools chain / ozmi-device-key = {tools_sign / means['ozmi-device-key sign']:.2f} (target >= 4; chain without its flush)")
print(f"sign:   ozmi-device-key / openssl dgst     = {means['ozmi-device-key sign'] / means['openssl dgst -sign']:.2f} (target <= 1.5)")
PY
