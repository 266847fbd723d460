#!/usr/bin/env bash
# Installs a build into a fresh folder and checks what the installation holds: the three
# programs in bin/ and nothing else, and an ozmi-device-key with no way to a TPM over a socket:
# no TCTI but the kernel device's among the libraries it loads, and no other TCTI, the TCTI
# loader or a software TPM named anywhere in its bytes.
# usage: installed_program.sh CMAKE BUILD_DIR INSTALL_DIR
set -euo pipefail
cmake=${1:?cmake}
build=${2:?build dir}
prefix=${3:?install folder}

rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" > /dev/null
installed=$(cd "$prefix" && find . ! -type d | sort)
expected=$'./bin/ozmi-ax-probe\n./bin/ozmi-device-key\n./bin/ozmi-permission-helper'
if [[ "$installed" != "$expected" ]]; then
  printf 'installed:\n%s\nexpected:\n%s\n' "$installed" "$expected"
  exit 1
fi

program="$prefix/bin/ozmi-device-key"
status=0
tctis=$(ldd "$program" | awk '{print $1}' | grep -i 'tcti' || true)
if [[ "$tctis" != "libtss2-tcti-device.so.0" ]]; then
  printf 'ozmi-device-key loads these TCTIs, not the device TCTI alone:\n%s\n' "$tctis"
  status=1
fi
named=$(strings -a "$program" | grep -iE 'swtpm|mssim|tabrmd|tctildr|tcti-|host=|port=|127\.0\.0\.1|localhost' |
  grep -vx 'libtss2-tcti-device\.so\.0' || true)
if [[ -n "$named" ]]; then
  printf 'ozmi-device-key names a way to a TPM over a socket:\n%s\n' "$named"
  status=1
fi
rm -rf "$prefix"
exit "$status"
