#!/usr/bin/env bash
# End-to-end comparison of tessel-cli with the bare client programs
# (bench/bare_client.cpp) and Firebird's isql on the embedded engine:
#
#   w1: a script of 20,000 single-row INSERT statements (tessel-cli with
#       FAST_INSERT on, tessel-cli with it off, bare execute-immediate, isql);
#   w2: a SELECT of 200,000 rows of five typed columns (tessel-cli writing
#       them to a file with -o, the bare fetch, isql writing to /dev/null).
#
# All programs run the very same script files. Every round runs each command
# once, in rotating order, so that other work on the machine falls on all of
# them alike; the insert database is created again before every insert run,
# untimed. Reported (bench/rounds.py): median wall time, median CPU (user +
# system of the process), largest peak RSS, and each median's ratio to the
# first line of its workload. Run by hand; it is not part of the tests.
#
#   bench/compare_isql.sh [TESSEL_CLI] [RUNS] [BARE_CLIENT]
#
# TESSEL_CLI defaults to build-bench/src/cli/tessel-cli, RUNS to 5,
# BARE_CLIENT to build-bench/bench/bench_bare_client. Everything is created in
# a temporary folder that is removed on exit.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build-bench/src/cli/tessel-cli}")
runs=${2:-5}
bare=$(realpath "${3:-$root/build-bench/bench/bench_bare_client}")
isql=${ISQL:-isql-fb}
inserts=20000
rows=200000

[ -x "$cli" ] || { echo "tessel-cli not found: $cli" >&2; exit 2; }
[ -x "$bare" ] || { echo "bench_bare_client not found: $bare" >&2; exit 2; }
command -v "$isql" >/dev/null || { echo "$isql not found" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ISC_USER=SYSDBA ISC_PASSWORD=masterkey

. "$root/bench/workloads.sh"

# The same database for both programs: created by isql (create_db), fresh
# before every insert run so that each run starts from an empty table.

five_column_inserts "$work/insert.fdb" $inserts >"$work/insert.sql"
{ echo "SET FAST_INSERT OFF;"; cat "$work/insert.sql"; } >"$work/insert-off.sql"
create_db "$work/select.fdb"
five_column_fill "CONNECT '$work/select.fdb' USER 'SYSDBA' PASSWORD 'masterkey';" $rows \
    >"$work/fill.sql"
"$isql" -q -i "$work/fill.sql" >/dev/null
printf "CONNECT '%s' USER 'SYSDBA' PASSWORD 'masterkey';\n%s;\n" "$work/select.fdb" \
    "$FIVE_COLUMN_SELECT" >"$work/select.sql"

# Both must have done the whole work before their times mean anything.
create_db "$work/insert.fdb"
"$cli" "$work/insert.sql" >/dev/null
create_db "$work/insert.fdb"
"$isql" -q -i "$work/insert.sql" >/dev/null
echo "Output lines of the select: tessel-cli $("$cli" "$work/select.sql" | wc -l)," \
    "isql $("$isql" -q -i "$work/select.sql" | wc -l)"

# create.sql now creates insert.fdb: the untimed step before every insert run.
prepare="rm -f '$work/insert.fdb' && '$isql' -q -i '$work/create.sql' >/dev/null"

python3 "$root/bench/rounds.py" "$runs" \
    --workload "w1: 20,000 INSERTs" --setup "$prepare" \
    --command "bare execute-immediate" "'$bare' insert '$work/insert.sql'" \
    --command "tessel-cli" "'$cli' '$work/insert.sql' >/dev/null" \
    --command "tessel-cli FAST_INSERT OFF" "'$cli' '$work/insert-off.sql' >/dev/null" \
    --command "isql" "'$isql' -q -i '$work/insert.sql' >/dev/null" \
    --ratio "tessel-cli" "isql" \
    --workload "w2: SELECT of 200,000 rows" \
    --command "bare fetch" "'$bare' select '$work/select.fdb'" \
    --command "tessel-cli -o" "'$cli' -o '$work/select.out' '$work/select.sql'" \
    --command "isql" "'$isql' -q -i '$work/select.sql' >/dev/null"
