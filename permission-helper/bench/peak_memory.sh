#!/usr/bin/env bash
# peak_memory.sh BUILD_DIR [FIXTURES_DIR]
#
# Peak resident memory of the default report at the largest sizes it accepts: user and system
# databases of 100,000 rows each, shaped like real ones (real service names, a real developer
# requirement in every row), and user and system databases whose "access" is a view that yields
# rows without end, and a system database whose 100,000 rows are all accessibility rows (the
# rows that the report keeps as trees, not text). Also checks that the report of the
# real-shaped pair is whole.
#
# The databases are put at their fixed paths inside a private mount namespace (see
# tests/run_at_fixed_paths.sh), so this needs root and unshare; nothing outside the
# namespace changes. The program is run exactly as shipped.
set -euo pipefail
build=$(cd "${1:?usage: peak_memory.sh BUILD_DIR [FIXTURES_DIR]}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
program="$build/bin/ozmi-permission-helper"
fixture="${2:-$here/../../shared/fixtures}/tcc-user-macos10.15.db"
[[ -f $fixture ]] || { echo "no $fixture; give the fixtures folder as the second argument"; exit 1; }
[[ -x $program ]] || { echo "no $program; build the ozmi-permission-helper target first"; exit 1; }
[[ $(id -u) == 0 ]] || { echo "needs root for a private mount namespace"; exit 1; }
[[ -x /usr/bin/time ]] || { echo "needs GNU time (/usr/bin/time)"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/root"

# 100,000 rows: 10 clients with 10,000 services each, every row with a real requirement.
# A second argument gives every row that one service, and auth value 0 so that the accessibility
# verdict walks them all.
make_real() {
  local service=${2:-"'kTCCServiceSystemPolicyDownloadsFolder' || i"} auth=2
  [[ -z ${2:-} ]] || auth=0
  sqlite3 "$1" <<SQL
CREATE TABLE access (service TEXT NOT NULL, client TEXT NOT NULL, client_type INTEGER,
  auth_value INTEGER, auth_reason INTEGER, auth_version INTEGER, csreq BLOB, policy_id INTEGER,
  indirect_object_identifier_type INTEGER, indirect_object_identifier TEXT,
  indirect_object_code_identity BLOB, flags INTEGER, last_modified INTEGER,
  PRIMARY KEY (service, client, client_type, indirect_object_identifier));
ATTACH '$fixture' AS old;
WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99999)
INSERT INTO access (service, client, client_type, auth_value, auth_reason, auth_version, csreq,
  indirect_object_identifier, last_modified)
SELECT $service, 'com.example.app' || (i % 10), i, $auth, 3, 1,
  (SELECT csreq FROM old.access WHERE client = 'com.spotify.client'), 'UNUSED', 1700000000 + i
FROM n;
SQL
}
make_endless() {
  sqlite3 "$1" <<SQL
CREATE VIEW access AS WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r)
SELECT 'kTCCServiceSystemPolicyDownloadsFolder' AS service, 'com.example.app0' AS client,
  2 AS auth_value, 3 AS auth_reason, 'UNUSED' AS indirect_object_identifier,
  1700000000 + i AS last_modified, NULL AS csreq FROM r;
SQL
}
make_real "$work/real-user.db"
make_real "$work/real-system.db"
make_real "$work/accessibility-system.db" "'kTCCServiceAccessibility'"
make_endless "$work/endless-user.db"
make_endless "$work/endless-system.db"

clients=$(printf 'com.example.app%d,' 0 1 2 3 4 5 6 7 8 9)
measure() {
  local name=$1 user=$2 system=$3
  unshare -m /bin/sh "$here/tests/run_at_fixed_paths.sh" "$work/root" "$user" "$system" \
    /usr/bin/time -f '%M' -o /dev/stderr "$program" --client "$clients" \
    > "$work/out.json" 2> "$work/time.txt"
  printf '%-40s max RSS %6d KB, reply %d bytes\n' "$name" "$(tail -n 1 "$work/time.txt")" \
    "$(wc -c < "$work/out.json")"
}
measure "two 100,000-row databases" "$work/real-user.db" "$work/real-system.db"
rows=$(grep -o '"db":' "$work/out.json" | wc -l)
[[ $rows == 200000 ]] || { echo "expected 200000 rows in the reply, found $rows"; exit 1; }
measure "two views without end" "$work/endless-user.db" "$work/endless-system.db"
measure "100,000 system accessibility rows" "$work/real-user.db" "$work/accessibility-system.db"
