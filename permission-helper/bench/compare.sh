#!/usr/bin/env bash
# compare.sh BUILD_DIR
#
# Whole-process time of the default report with a client list, read from user and system
# permission databases of 500 rows each at their real paths, side by side with the sqlite3
# command-line tool running the report's query once on the same files.
#
# The databases are put at their fixed paths inside a private mount namespace (see
# tests/run_at_fixed_paths.sh), so this needs root and unshare; nothing outside the
# namespace changes. The program is run exactly as shipped.
set -euo pipefail
build=$(cd "${1:?usage: compare.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
program="$build/bin/ozmi-permission-helper"
fixture="$here/../../shared/fixtures/tcc-user-macos10.15.db"
[[ -x $program ]] || { echo "no $program; build the ozmi-permission-helper target first"; exit 1; }
[[ $(id -u) == 0 ]] || { echo "needs root for a private mount namespace"; exit 1; }
command -v hyperfine > /dev/null || { echo "needs hyperfine"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/root"

# 500 rows: 50 clients with 10 services each, every row with a real developer requirement.
make_db() {
  sqlite3 "$1" <<SQL
CREATE TABLE access (service TEXT NOT NULL, client TEXT NOT NULL, client_type INTEGER,
  auth_value INTEGER, auth_reason INTEGER, auth_version INTEGER, csreq BLOB, policy_id INTEGER,
  indirect_object_identifier_type INTEGER, indirect_object_identifier TEXT,
  indirect_object_code_identity BLOB, flags INTEGER, last_modified INTEGER,
  PRIMARY KEY (service, client, client_type, indirect_object_identifier));
ATTACH '$fixture' AS old;
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 499)
INSERT INTO access (service, client, client_type, auth_value, auth_reason, auth_version, csreq,
  indirect_object_identifier, last_modified)
SELECT 'kTCCService' || (i % 10), 'com.example.app' || (i / 10), 0, 2, 3, 1,
  (SELECT csreq FROM old.access WHERE client = 'com.spotify.client'), 'UNUSED', 1700000000 + i
FROM n;
SQL
}
make_db "$work/user.db"
make_db "$work/system.db"

clients=com.example.app1,com.example.app7,com.example.app13,com.example.app21,com.example.app42
query="SELECT service, client, auth_value, auth_reason, indirect_object_identifier, last_modified, csreq FROM access WHERE client = 'com.example.app1'"
system_db="/Library/Application Support/com.apple.TCC/TCC.db"

unshare -m /bin/sh "$here/tests/run_at_fixed_paths.sh" "$work/root" "$work/user.db" "$work/system.db" \
  hyperfine -N --warmup 20 --min-runs 200 --style basic \
    --command-name "ozmi-permission-helper --client (5 clients, user + system)" \
    "$program --client $clients" \
    --command-name "sqlite3 one query (1 client, system db)" \
    "sqlite3 -readonly '$system_db' \"$query\""
