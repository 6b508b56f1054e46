#!/usr/bin/env bash
# End-to-end comparison of tessel-cli with Firebird's isql on the embedded
# engine: a script of 20,000 single-row INSERT statements, and a SELECT of
# 200,000 rows of five typed columns written to /dev/null. Both programs run
# the very same script files. Run by hand; it is not part of the tests.
#
#   bench/compare_isql.sh [TESSEL_CLI] [RUNS]
#
# TESSEL_CLI defaults to build-bench/src/cli/tessel-cli, RUNS to 5. Uses
# hyperfine when installed, else repeated runs timed by bash. Everything is
# created in a temporary folder that is removed on exit.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build-bench/src/cli/tessel-cli}")
runs=${2:-5}
isql=${ISQL:-isql-fb}
inserts=20000
rows=200000

[ -x "$cli" ] || { echo "tessel-cli not found: $cli" >&2; exit 2; }
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

# Both must have done the whole work before their times mean anything.
create_db "$work/insert.fdb"
"$cli" "$work/insert.sql" >/dev/null
create_db "$work/insert.fdb"
"$isql" -q -i "$work/insert.sql" >/dev/null
echo "Output lines of the select: tessel-cli $("$cli" "$work/select.sql" | wc -l)," \
    "isql $("$isql" -q -i "$work/select.sql" | wc -l)"

# create.sql now creates insert.fdb: the untimed step before every insert run.
prepare="rm -f '$work/insert.fdb' && '$isql' -q -i '$work/create.sql' >/dev/null"

if command -v hyperfine >/dev/null; then
    hyperfine --runs "$runs" --style basic --prepare "$prepare" \
        --export-json "$work/insert.json" \
        -n "tessel-cli insert" "'$cli' '$work/insert.sql'" \
        -n "isql insert" "'$isql' -q -i '$work/insert.sql'"
    hyperfine --runs "$runs" --warmup 1 --style basic \
        --export-json "$work/select.json" \
        -n "tessel-cli select" "'$cli' '$work/select.sql' >/dev/null" \
        -n "isql select" "'$isql' -q -i '$work/select.sql' >/dev/null"
    # Medians: other work on the machine makes means and maxima wander.
    python3 - "$work/insert.json" "$work/select.json" <<'PY'
import json, sys
print("| Command | Median [s] | Min [s] | Max [s] | User, mean [s] | System, mean [s] |")
print("|---|---:|---:|---:|---:|---:|")
for name in sys.argv[1:]:
    for r in json.load(open(name))["results"]:
        print(f"| {r['command']} | {r['median']:.3f} | {r['min']:.3f} | {r['max']:.3f} "
              f"| {r['user']:.3f} | {r['system']:.3f} |")
PY
else
    # Median wall time of RUNS runs; `prepare` is not timed.
    measure() {
        local name=$1 setup=$2 command=$3 times=()
        for _ in $(seq "$runs"); do
            [ -z "$setup" ] || bash -c "$setup"
            local start end
            start=$(date +%s.%N)
            bash -c "$command" >/dev/null
            end=$(date +%s.%N)
            times+=("$(echo "$end - $start" | bc)")
        done
        printf "%-20s median %s s of %s runs\n" "$name" \
            "$(printf "%s\n" "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')" \
            "$runs"
    }
    measure "tessel-cli insert" "$prepare" "'$cli' '$work/insert.sql'"
    measure "isql insert" "$prepare" "'$isql' -q -i '$work/insert.sql'"
    measure "tessel-cli select" "" "'$cli' '$work/select.sql'"
    measure "isql select" "" "'$isql' -q -i '$work/select.sql'"
fi
