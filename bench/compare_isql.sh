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
# untimed. Reported: median wall time, median CPU (user + system of the
# process), largest peak RSS, and each median's ratio to the first line of
# its workload's reference. Run by hand; it is not part of the tests.
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

table="CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), STAMP TIMESTAMP, CODE CHAR(10));"

# The same database for both programs: created by isql, fresh before every
# insert run so that each run starts from an empty table.
create_db() {
    rm -f "$1"
    printf "CREATE DATABASE '%s' USER 'SYSDBA';\n%s\nCOMMIT;\n" "$1" "$table" >"$work/create.sql"
    "$isql" -q -i "$work/create.sql" >/dev/null
}

# The statements bench/scripter_workload.cpp generates, row for row.
{
    echo "CONNECT '$work/insert.fdb' USER 'SYSDBA' PASSWORD 'masterkey';"
    awk -v n=$inserts 'BEGIN {
        for (i = 0; i < n; i++)
            printf "INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (%d, '\''Name %d'\'', %d.%02d, '\''2024-01-%02d %02d:%02d:%02d'\'', '\''C%05d'\'');\n",
                i, i, int(i / 100), i % 100, 1 + int(i / 86400), int(i / 3600) % 24, int(i / 60) % 60, i % 60, i % 100000
    }'
    echo "COMMIT;"
} >"$work/insert.sql"

create_db "$work/select.fdb"
cat >"$work/fill.sql" <<EOF
CONNECT '$work/select.fdb' USER 'SYSDBA' PASSWORD 'masterkey';
SET TERM ^ ;
EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < $rows) DO BEGIN
INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (:I, 'Name ' || :I,
CAST(:I AS NUMERIC(15,2)) / 100, DATEADD(:I SECOND TO TIMESTAMP '2024-01-01 00:00:00'),
'C' || LPAD(MOD(:I, 100000), 5, '0')); I = I + 1; END END^
SET TERM ; ^
COMMIT;
EOF
"$isql" -q -i "$work/fill.sql" >/dev/null
printf "CONNECT '%s' USER 'SYSDBA' PASSWORD 'masterkey';\nSELECT ID, NAME, AMOUNT, STAMP, CODE FROM T;\n" \
    "$work/select.fdb" >"$work/select.sql"
{ echo "SET FAST_INSERT OFF;"; cat "$work/insert.sql"; } >"$work/insert-off.sql"

# Both must have done the whole work before their times mean anything.
create_db "$work/insert.fdb"
"$cli" "$work/insert.sql" >/dev/null
create_db "$work/insert.fdb"
"$isql" -q -i "$work/insert.sql" >/dev/null
echo "Output lines of the select: tessel-cli $("$cli" "$work/select.sql" | wc -l)," \
    "isql $("$isql" -q -i "$work/select.sql" | wc -l)"

# create.sql now creates insert.fdb: the untimed step before every insert run.
prepare="rm -f '$work/insert.fdb' && '$isql' -q -i '$work/create.sql' >/dev/null"

python3 - "$runs" "$prepare" <<PY
import os, subprocess, sys, time

runs, prepare = int(sys.argv[1]), sys.argv[2]
workloads = [
    ("w1: 20,000 INSERTs", prepare, [
        ("bare execute-immediate", "'$bare' insert '$work/insert.sql'"),
        ("tessel-cli", "'$cli' '$work/insert.sql' >/dev/null"),
        ("tessel-cli FAST_INSERT OFF", "'$cli' '$work/insert-off.sql' >/dev/null"),
        ("isql", "'$isql' -q -i '$work/insert.sql' >/dev/null"),
    ]),
    ("w2: SELECT of 200,000 rows", None, [
        ("bare fetch", "'$bare' select '$work/select.fdb'"),
        ("tessel-cli -o", "'$cli' -o '$work/select.out' '$work/select.sql'"),
        ("isql", "'$isql' -q -i '$work/select.sql' >/dev/null"),
    ]),
]

def run(command):
    start = time.perf_counter()
    child = subprocess.Popen(["bash", "-c", "exec " + command])
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {command}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024

from statistics import median

for title, setup, commands in workloads:
    results = {name: [] for name, _ in commands}
    for round_ in range(runs):
        shift = round_ % len(commands)
        for name, command in commands[shift:] + commands[:shift]:
            if setup:
                subprocess.run(["bash", "-c", setup], check=True)
            results[name].append(run(command))
    print(f"\n{title}, {runs} runs each, load average {os.getloadavg()[0]:.1f}")
    print("| Command | Wall, median | CPU, median | Peak RSS | Wall / first | CPU / first |")
    print("|---|---:|---:|---:|---:|---:|")
    base = None
    for name, _ in commands:
        wall = median([r[0] for r in results[name]])
        cpu = median([r[1] for r in results[name]])
        rss = max(r[2] for r in results[name])
        base = base or (wall, cpu)
        print(f"| {name} | {wall:.3f} s | {cpu:.3f} s | {rss:.1f} MiB "
              f"| {wall / base[0]:.2f} | {cpu / base[1]:.2f} |")
    if title.startswith("w1"):
        walls = {n: median([r[0] for r in results[n]]) for n, _ in commands}
        print(f"tessel-cli / isql, wall: {walls['tessel-cli'] / walls['isql']:.2f}")
PY
