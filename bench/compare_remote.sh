#!/usr/bin/env bash
# The w1 and w2 workloads of bench/compare_isql.sh through a private Firebird
# server on 127.0.0.1 (scripts/test-server.sh), where every round trip
# counts:
#
#   w1: the script of 20,000 single-row INSERTs and one COMMIT (tessel-cli
#       with FAST_INSERT on, where runs of them go as EXECUTE BLOCKs, and
#       off; a C program that prepares the INSERT once and executes it per
#       row, bench/prepare_once.c, the floor of one round trip a row; isql);
#   w2: a SELECT of 200,000 rows (tessel-cli writing them to a file with -o,
#       the C program fetching them, isql writing to /dev/null).
#
# Every round runs each command once, in rotating order; the insert database
# is created again before every insert run, untimed. Reported (bench/rounds.py):
# median wall time, median CPU of the client process (the server's is not in
# it), peak RSS, and each median's ratio to the prepare-once program. Run by
# hand; not a test.
#
#   bench/compare_remote.sh [TESSEL_CLI] [RUNS]
#
# TESSEL_CLI defaults to build/src/cli/tessel-cli, RUNS to 7. The C program
# is compiled into the temporary folder with cc and libfbclient.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build/src/cli/tessel-cli}")
runs=${2:-7}
isql=${ISQL:-isql-fb}
inserts=20000
rows=200000

[ -x "$cli" ] || { echo "tessel-cli not found: $cli" >&2; exit 2; }
command -v "$isql" >/dev/null || { echo "$isql not found" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-remote.XXXXXX")
export TEST_SERVER_OWNER_PID=$$
env_lines=$("$root/scripts/test-server.sh" start "" masterkey)
folder=$(sed -n 's/^FOLDER=//p' <<<"$env_lines")
port=$(sed -n 's/^PORT=//p' <<<"$env_lines")
trap '"$root/scripts/test-server.sh" stop "$folder" >/dev/null 2>&1; rm -rf "$work"' EXIT
export ISC_USER=SYSDBA ISC_PASSWORD=masterkey
server="localhost/$port:"

cc -O2 -o "$work/prepare_once" "$root/bench/prepare_once.c" -lfbclient

. "$root/bench/workloads.sh"

five_column_inserts "$server$work/insert.fdb" $inserts >"$work/insert.sql"
{ echo "SET FAST_INSERT OFF;"; cat "$work/insert.sql"; } >"$work/insert-off.sql"
create_db "$work/select.fdb" "$server"
five_column_fill "CONNECT '$server$work/select.fdb' USER 'SYSDBA' PASSWORD 'masterkey';" $rows \
    >"$work/fill.sql"
"$isql" -q -i "$work/fill.sql" >/dev/null
printf "CONNECT '%s' USER 'SYSDBA' PASSWORD 'masterkey';\n%s;\n" "$server$work/select.fdb" \
    "$FIVE_COLUMN_SELECT" >"$work/select.sql"

# Every program must have done the whole work, the same, before its time
# means anything: the three insert runs must leave the same table.
check_sql="SELECT COUNT(*), SUM(ID), SUM(AMOUNT), MAX(STAMP), MAX(NAME), MAX(CODE) FROM T;"
contents() {
    printf "CONNECT '%s' USER 'SYSDBA' PASSWORD 'masterkey';\n%s\n" "$server$work/insert.fdb" \
        "$check_sql" >"$work/check.sql"
    "$isql" -q -i "$work/check.sql"
}
create_db "$work/insert.fdb" "$server"; "$cli" "$work/insert.sql" >/dev/null; a=$(contents)
create_db "$work/insert.fdb" "$server"; "$work/prepare_once" "$server$work/insert.fdb" $inserts; b=$(contents)
create_db "$work/insert.fdb" "$server"; "$isql" -q -i "$work/insert.sql" >/dev/null; c=$(contents)
if [ "$a" != "$b" ] || [ "$a" != "$c" ]; then
    printf 'the insert runs differ:\n%s\n%s\n%s\n' "$a" "$b" "$c" >&2
    exit 1
fi
echo "$a"

prepare="rm -f '$work/insert.fdb' && '$isql' -q -i '$work/create.sql' >/dev/null"
python3 "$root/bench/rounds.py" "$runs" \
    --workload "w1 remote: 20,000 INSERTs" --setup "$prepare" \
    --command "prepare-once C program" "'$work/prepare_once' '$server$work/insert.fdb' $inserts" \
    --command "tessel-cli" "'$cli' '$work/insert.sql' >/dev/null" \
    --command "tessel-cli FAST_INSERT OFF" "'$cli' '$work/insert-off.sql' >/dev/null" \
    --command "isql-fb" "'$isql' -q -i '$work/insert.sql' >/dev/null" \
    --ratio "tessel-cli" "isql-fb" \
    --workload "w2 remote: SELECT of 200,000 rows" \
    --command "prepare-once C program (fetch)" "'$work/prepare_once' '$server$work/select.fdb' select" \
    --command "tessel-cli -o" "'$cli' -o '$work/select.out' '$work/select.sql'" \
    --command "isql-fb" "'$isql' -q -i '$work/select.sql' >/dev/null"
