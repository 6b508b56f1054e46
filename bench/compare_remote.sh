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
# is created again before every insert run, untimed. Reported: median wall
# time, median CPU of the client process (the server's is not in it), and
# each median's ratio to the prepare-once program. Run by hand; not a test.
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

table="CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), STAMP TIMESTAMP, CODE CHAR(10));"
create_db() {
    rm -f "$1"
    printf "CREATE DATABASE '%s' USER 'SYSDBA' PASSWORD 'masterkey';\n%s\nCOMMIT;\n" \
        "$server$1" "$table" >"$work/create.sql"
    "$isql" -q -i "$work/create.sql" >/dev/null
}

# The statements of bench/compare_isql.sh, row for row.
{
    echo "CONNECT '$server$work/insert.fdb' USER 'SYSDBA' PASSWORD 'masterkey';"
    awk -v n=$inserts 'BEGIN {
        for (i = 0; i < n; i++)
            printf "INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (%d, '\''Name %d'\'', %d.%02d, '\''2024-01-%02d %02d:%02d:%02d'\'', '\''C%05d'\'');\n",
                i, i, int(i / 100), i % 100, 1 + int(i / 86400), int(i / 3600) % 24, int(i / 60) % 60, i % 60, i % 100000
    }'
    echo "COMMIT;"
} >"$work/insert.sql"
{ echo "SET FAST_INSERT OFF;"; cat "$work/insert.sql"; } >"$work/insert-off.sql"

create_db "$work/select.fdb"
cat >"$work/fill.sql" <<EOF
CONNECT '$server$work/select.fdb' USER 'SYSDBA' PASSWORD 'masterkey';
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
    "$server$work/select.fdb" >"$work/select.sql"

# Every program must have done the whole work, the same, before its time
# means anything: the three insert runs must leave the same table.
check_sql="SELECT COUNT(*), SUM(ID), SUM(AMOUNT), MAX(STAMP), MAX(NAME), MAX(CODE) FROM T;"
contents() {
    printf "CONNECT '%s' USER 'SYSDBA' PASSWORD 'masterkey';\n%s\n" "$server$work/insert.fdb" \
        "$check_sql" >"$work/check.sql"
    "$isql" -q -i "$work/check.sql"
}
create_db "$work/insert.fdb"; "$cli" "$work/insert.sql" >/dev/null; a=$(contents)
create_db "$work/insert.fdb"; "$work/prepare_once" "$server$work/insert.fdb" $inserts; b=$(contents)
create_db "$work/insert.fdb"; "$isql" -q -i "$work/insert.sql" >/dev/null; c=$(contents)
if [ "$a" != "$b" ] || [ "$a" != "$c" ]; then
    printf 'the insert runs differ:\n%s\n%s\n%s\n' "$a" "$b" "$c" >&2
    exit 1
fi
echo "$a"

prepare="rm -f '$work/insert.fdb' && '$isql' -q -i '$work/create.sql' >/dev/null"
python3 - "$runs" "$prepare" <<PY
import os, subprocess, sys, time
from statistics import median

runs, prepare = int(sys.argv[1]), sys.argv[2]
workloads = [
    ("w1 remote: 20,000 INSERTs", prepare, [
        ("prepare-once C program", "'$work/prepare_once' '$server$work/insert.fdb' $inserts"),
        ("tessel-cli", "'$cli' '$work/insert.sql' >/dev/null"),
        ("tessel-cli FAST_INSERT OFF", "'$cli' '$work/insert-off.sql' >/dev/null"),
        ("isql-fb", "'$isql' -q -i '$work/insert.sql' >/dev/null"),
    ]),
    ("w2 remote: SELECT of 200,000 rows", None, [
        ("prepare-once C program (fetch)", "'$work/prepare_once' '$server$work/select.fdb' select"),
        ("tessel-cli -o", "'$cli' -o '$work/select.out' '$work/select.sql'"),
        ("isql-fb", "'$isql' -q -i '$work/select.sql' >/dev/null"),
    ]),
]

def run(command):
    start = time.perf_counter()
    child = subprocess.Popen(["bash", "-c", "exec " + command])
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed: {command}")
    return wall, usage.ru_utime + usage.ru_stime

for title, setup, commands in workloads:
    results = {name: [] for name, _ in commands}
    for round_ in range(runs):
        shift = round_ % len(commands)
        for name, command in commands[shift:] + commands[:shift]:
            if setup:
                subprocess.run(["bash", "-c", setup], check=True)
            results[name].append(run(command))
    print(f"\n{title}, {runs} rounds, load average {os.getloadavg()[0]:.1f}")
    print("| Command | Wall, median | Client CPU, median | Wall / prepare-once |")
    print("|---|---:|---:|---:|")
    walls = {n: median([r[0] for r in results[n]]) for n, _ in commands}
    base = walls[commands[0][0]]
    for name, _ in commands:
        cpu = median([r[1] for r in results[name]])
        print(f"| {name} | {walls[name]:.3f} s | {cpu:.3f} s | {walls[name] / base:.2f} |")
    if title.startswith("w1"):
        print(f"tessel-cli / isql-fb, wall: {walls['tessel-cli'] / walls['isql-fb']:.2f}")
PY
