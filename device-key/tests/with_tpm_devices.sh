#!/usr/bin/env bash
# Runs a program as an unprivileged user (nobody) with a private /dev holding only null and the
# TPM nodes given, each NAME=MODE: a plain file of that mode owned by root, as a TPM device is
# owned by root:tss. What the program may open there, and what it says when it may not, needs no
# real TPM. Run as root inside a private mount namespace:
# usage: unshare -m with_tpm_devices.sh [NAME=MODE...] -- PROGRAM ARGS...
set -euo pipefail
nodes=()
while [[ $# -gt 0 && $1 != -- ]]; do
  nodes+=("$1")
  shift
done
shift
mount -t tmpfs -o mode=0755 ozmi-dev /dev
mknod -m 0666 /dev/null c 1 3
for node in "${nodes[@]}"; do
  : > "/dev/${node%%=*}"
  chmod "${node#*=}" "/dev/${node%%=*}"
done
exec setpriv --reuid=65534 --regid=65534 --clear-groups "$@"
