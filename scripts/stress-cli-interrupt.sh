#!/usr/bin/env bash
# Stress run, not part of CI: Ctrl-C during a long insert-heavy statement on
# a server, many times over. Every run must exit 130 (the shell's status for
# SIGINT), commit nothing (neither the row inserted before nor the rows of
# the statement) and end within its limit; at the end the database must pass
# gfix -v -full.
#
#   scripts/stress-cli-interrupt.sh [TESSEL_CLI] [RUNS]
#
# TESSEL_CLI defaults to build/src/cli/tessel-cli, RUNS to 50. The signal
# comes at a random moment from 0 to 2 seconds after the script reports that
# it is about to start the statement, so some signals meet the statement
# before it starts and most meet it running. A private server
# (scripts/test-server.sh) runs the statements; it is stopped at the end.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cli=$(realpath "${1:-$here/../build/src/cli/tessel-cli}")
runs=${2:-50}
limit=60  # seconds a run may take after its signal before it counts as hung

[ -x "$cli" ] || { echo "no tessel-cli at $cli" >&2; exit 2; }
command -v gfix >/dev/null || { echo "gfix not found (firebird3.0-utils)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-stress.XXXXXX")
server_env=$(TEST_SERVER_OWNER_PID=$$ bash "$here/test-server.sh" start)
eval "$server_env"
trap 'bash "$here/test-server.sh" stop "$FOLDER" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

db="localhost/$PORT:$work/stress.fdb"
login="USER 'SYSDBA' PASSWORD '$PASSWORD'"
cd "$work"
printf "CREATE DATABASE '%s' %s;\ncreate table t (a integer);\n" "$db" "$login" >make.sql
"$cli" -q make.sql >/dev/null
cat >run.sql <<SQL
CONNECT '$db' $login;
insert into t values (-1);
ECHO ready;
SET TERM ^;
execute block as declare i integer = 0; begin
  while (i < 2000000000) do begin insert into t values (:i); i = i + 1; end
end^
SET TERM ;^
ECHO never;
SQL
printf "CONNECT '%s' %s;\nSET SHOW_RECORD_HEADER OFF;\nselect count(*) from t;\n" "$db" "$login" >count.sql

declare -A statuses=()
hung=0
committed=0
went_on=0
for run in $(seq 1 "$runs"); do
    "$cli" -q run.sql >run.out 2>run.err &
    pid=$!
    for _ in $(seq 1 600); do
        grep -q '^ready$' run.out 2>/dev/null && break
        sleep 0.1
    done
    sleep "$(awk -v seed="$RANDOM" 'BEGIN { srand(seed); printf "%.2f", rand() * 2 }')"
    kill -INT "$pid"
    waited=0
    while kill -0 "$pid" 2>/dev/null && [ "$waited" -lt $((limit * 10)) ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        hung=$((hung + 1))
        kill -KILL "$pid" 2>/dev/null || true
    fi
    status=0
    wait "$pid" || status=$?
    statuses[$status]=$(( ${statuses[$status]:-0} + 1 ))
    grep -q never run.out && went_on=$((went_on + 1))
    rows=$("$cli" -q count.sql | tail -n 1 | tr -d ' ')
    if [ "$rows" != 0 ]; then
        committed=$((committed + 1))
        echo "run $run: $rows rows committed (exit $status): $(tr '\n' ' ' <run.err)"
    fi
    [ "$status" = 130 ] || echo "run $run: exit $status: $(tr '\n' ' ' <run.err)"
done

validation=$(gfix -v -full -user SYSDBA -password "$PASSWORD" "$db" 2>&1) && gfix_status=0 || gfix_status=$?

echo "runs: $runs"
for status in "${!statuses[@]}"; do echo "exit $status: ${statuses[$status]}"; done
echo "hung (no end within ${limit}s of the signal): $hung"
echo "runs that went on after the statement: $went_on"
echo "runs that committed rows: $committed"
echo "gfix -v -full: status $gfix_status${validation:+, output: $validation}"
[ "${statuses[130]:-0}" = "$runs" ] && [ "$hung" = 0 ] && [ "$committed" = 0 ] &&
    [ "$went_on" = 0 ] && [ "$gfix_status" = 0 ] && [ -z "$validation" ]
