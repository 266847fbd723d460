#!/bin/sh
# run_at_fixed_paths.sh MOUNTPOINT USER_DB SYSTEM_DB PROGRAM [ARGS...]
#
# Runs PROGRAM where the permission databases really live. Start it inside a private mount
# namespace (unshare -m, as root): it mounts a tmpfs root at the empty folder MOUNTPOINT that
# mirrors the host's top-level entries, puts SYSTEM_DB at
# /Library/Application Support/com.apple.TCC/TCC.db and USER_DB at the same place under the
# user's home (a tmpfs over it), and runs PROGRAM chrooted there. Every mount goes away with
# the namespace; nothing outside it changes.
set -eu
mountpoint=$1 user_db=$2 system_db=$3
shift 3
tcc="Library/Application Support/com.apple.TCC"

mount --make-rprivate /
mount -t tmpfs ozmi-root "$mountpoint"
for entry in /*; do
  name=${entry#/}
  if [ -L "$entry" ]; then
    ln -s "$(readlink "$entry")" "$mountpoint/$name"
  elif [ -d "$entry" ]; then
    mkdir "$mountpoint/$name"
    mount --rbind "$entry" "$mountpoint/$name"
  fi
done

home=$(getent passwd "$(id -u)" | cut -d: -f6)
mount -t tmpfs ozmi-home "$mountpoint$home"
mkdir -p "$mountpoint$home/$tcc" "$mountpoint/$tcc"
cp "$user_db" "$mountpoint$home/$tcc/TCC.db"
cp "$system_db" "$mountpoint/$tcc/TCC.db"
exec chroot "$mountpoint" "$@"
