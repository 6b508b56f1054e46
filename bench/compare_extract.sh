#!/usr/bin/env bash
# End-to-end comparison of the DDL extraction of tessel-cli -x with Firebird's
# isql -x on the embedded engine, on the same generated database: 300 tables
# with primary keys, an index each and foreign keys, 100 stored procedures,
# 100 triggers and 50 views. Run by hand; it is not part of the tests.
#
#   bench/compare_extract.sh [TESSEL_CLI] [RUNS]
#
# TESSEL_CLI defaults to build-bench/src/cli/tessel-cli, RUNS to 5. Uses
# hyperfine when installed, else repeated runs timed by bash. Everything is
# created in a temporary folder that is removed on exit.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build-bench/src/cli/tessel-cli}")
runs=${2:-5}
isql=${ISQL:-isql-fb}
tables=300
procedures=100
triggers=100
views=50

[ -x "$cli" ] || { echo "tessel-cli not found: $cli" >&2; exit 2; }
command -v "$isql" >/dev/null || { echo "$isql not found" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-extract.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ISC_USER=SYSDBA ISC_PASSWORD=masterkey
db="$work/schema.fdb"

# The schema, generated: every table refers to the one before it.
awk -v db="$db" -v t=$tables -v p=$procedures -v g=$triggers -v v=$views 'BEGIN {
    printf "CREATE DATABASE '\''%s'\'' USER '\''SYSDBA'\'';\n", db
    print "CREATE DOMAIN D_AMOUNT AS NUMERIC(15,2) DEFAULT 0 CHECK (VALUE >= 0);"
    for (i = 0; i < t; i++) {
        printf "CREATE TABLE T%d (ID INTEGER NOT NULL PRIMARY KEY, PARENT_ID INTEGER, ", i
        printf "NAME VARCHAR(40) CHARACTER SET WIN1252 NOT NULL, CODE CHAR(8) UNIQUE, "
        printf "AMOUNT D_AMOUNT, STAMP TIMESTAMP DEFAULT CURRENT_TIMESTAMP, NOTE BLOB SUB_TYPE TEXT, "
        printf "TOTAL COMPUTED BY (ID * 2));\n"
        printf "CREATE INDEX IX_T%d_NAME ON T%d (NAME);\n", i, i
        if (i > 0) printf "ALTER TABLE T%d ADD CONSTRAINT FK_T%d FOREIGN KEY (PARENT_ID) REFERENCES T%d (ID);\n", i, i, i - 1
    }
    print "COMMIT;"
    print "SET TERM ^ ;"
    for (i = 0; i < p; i++) {
        printf "CREATE PROCEDURE P%d (A INTEGER, B VARCHAR(20)) RETURNS (R INTEGER, S VARCHAR(40)) AS\n", i
        printf "BEGIN\n  FOR SELECT ID, NAME FROM T%d WHERE ID > :A INTO :R, :S DO\n    SUSPEND;\nEND^\n", i % t
    }
    for (i = 0; i < g; i++) {
        printf "CREATE TRIGGER TR%d FOR T%d ACTIVE BEFORE INSERT POSITION 0 AS\n", i, i % t
        printf "BEGIN\n  IF (NEW.AMOUNT IS NULL) THEN NEW.AMOUNT = 0;\nEND^\n"
    }
    print "SET TERM ; ^"
    for (i = 0; i < v; i++)
        printf "CREATE VIEW V%d (ID, NAME) AS SELECT ID, NAME FROM T%d WHERE ID > 0;\n", i, i % t
    print "COMMIT;"
}' >"$work/schema.sql"
"$isql" -q -i "$work/schema.sql" >/dev/null

# Both must have written the whole script before their times mean anything.
echo "Script lines: tessel-cli $("$cli" -x -d "$db" | wc -l), isql $("$isql" -x "$db" | wc -l)"

if command -v hyperfine >/dev/null; then
    hyperfine --runs "$runs" --warmup 1 --style basic --export-json "$work/extract.json" \
        -n "tessel-cli -x" "'$cli' -x -d '$db' >/dev/null" \
        -n "isql -x" "'$isql' -x '$db' >/dev/null"
    python3 - "$work/extract.json" <<'PY'
import json, sys
print("| Command | Median [s] | Min [s] | Max [s] | User, mean [s] | System, mean [s] |")
print("|---|---:|---:|---:|---:|---:|")
for r in json.load(open(sys.argv[1]))["results"]:
    print(f"| {r['command']} | {r['median']:.3f} | {r['min']:.3f} | {r['max']:.3f} "
          f"| {r['user']:.3f} | {r['system']:.3f} |")
PY
else
    # Median wall time of RUNS runs, both programs taking turns.
    declare -A times
    for _ in $(seq "$runs"); do
        for name in tessel isql; do
            if [ "$name" = tessel ]; then cmd=("$cli" -x -d "$db"); else cmd=("$isql" -x "$db"); fi
            start=$(date +%s.%N)
            "${cmd[@]}" >/dev/null
            end=$(date +%s.%N)
            times[$name]+="$(echo "$end - $start" | bc) "
        done
    done
    for name in tessel isql; do
        printf "%-12s median %s s of %s runs\n" "$name" \
            "$(printf "%s\n" ${times[$name]} | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')" \
            "$runs"
    done
fi
