#!/bin/bash
# The round-trip judge for one corpus database: the source S is built by
# isql-fb from a fixture; tessel-cli -x writes its DDL; that script runs
# without an error into an empty database through tessel-cli and,
# separately, through isql-fb -i; isql-fb -x (Firebird's own extractor) then
# writes the same text for S and for both copies, the file name aside.
# Usage: judge.sh TESSEL_CLI FIXTURE DIALECT CHARSET
set -u
cli=$1 fixture=$2 dialect=$3 charset=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ISC_USER=SYSDBA ISC_PASSWORD=masterkey
failed=0
fail() { echo "FAIL: $*" >&2; exit 1; }
mark() { echo "FAIL: $*" >&2; failed=1; }

create() {  # create DATABASE [FIXTURE]: an empty database, then the fixture
    {
        echo "SET SQL DIALECT $dialect;"
        echo "CREATE DATABASE '$1' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET $charset;"
        [ $# -gt 1 ] && cat "$2"
        echo "COMMIT;"
    } >"$work/create.sql"
    isql-fb -q -b -i "$work/create.sql" >"$work/create.out" 2>&1 || fail "isql-fb could not build $1: $(cat "$work/create.out")"
}

case "$fixture" in
*.gz) zcat "$fixture" | sed "s/^create database 'employee.fdb';//" >"$work/fixture.sql" ;;
*) cp "$fixture" "$work/fixture.sql" ;;
esac
create "$work/s.fdb" "$work/fixture.sql"

(cd "$work" && "$cli" -q -x -d "$work/s.fdb" -o "$work/t.sql" 2>"$work/x.err") || fail "tessel-cli -x: $(cat "$work/x.err")"
[ -s "$work/x.err" ] && fail "tessel-cli -x wrote to stderr: $(cat "$work/x.err")"

create "$work/c1.fdb"
(cd "$work" && "$cli" -q -d "$work/c1.fdb" "$work/t.sql" >"$work/c1.out" 2>"$work/c1.err") || mark "tessel-cli replay: $(cat "$work/c1.err")"
[ -s "$work/c1.err" ] && mark "tessel-cli replay wrote to stderr: $(cat "$work/c1.err")"

create "$work/c2.fdb"
isql-fb -q -b -i "$work/t.sql" "$work/c2.fdb" >"$work/c2.out" 2>&1 || mark "isql-fb -i replay: $(cat "$work/c2.out")"
grep -q "Statement failed\|SQLSTATE\|error" "$work/c2.out" && mark "isql-fb -i replay: $(cat "$work/c2.out")"

extract() { isql-fb -x "$1" | sed "s|^/\* CREATE DATABASE '[^']*'|/* CREATE DATABASE|"; }
# The console's statement splitter removes comments before a statement
# reaches the server, PSQL bodies included: the copy made through it is
# compared with the comments of both texts taken out.
uncommented() { perl -0pe 's{/\*.*?\*/}{}gs' "$1"; }
extract "$work/s.fdb" >"$work/s.ddl"
extract "$work/c1.fdb" >"$work/c1.ddl"
extract "$work/c2.fdb" >"$work/c2.ddl"
diff -u "$work/s.ddl" "$work/c2.ddl" >&2 || mark "isql-fb -x of the isql-fb -i copy differs"
diff -u <(uncommented "$work/s.ddl") <(uncommented "$work/c1.ddl") >&2 ||
    mark "isql-fb -x of the tessel-cli copy differs"
# What isql-fb -x does not show: the index state, the kind of table, the
# collation and identity of every column (a missing flag reads as 0, as the
# server takes it).
cat >"$work/catalogue.sql" <<'SQL'
SELECT RDB$INDEX_NAME, COALESCE(RDB$INDEX_INACTIVE, 0), COALESCE(RDB$INDEX_TYPE, 0),
  COALESCE(RDB$UNIQUE_FLAG, 0) FROM RDB$INDICES
  WHERE RDB$SYSTEM_FLAG = 0 AND RDB$INDEX_NAME NOT STARTING WITH 'RDB$' ORDER BY 1;
SELECT RDB$RELATION_NAME, RDB$RELATION_TYPE FROM RDB$RELATIONS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1;
SELECT RDB$RELATION_NAME, RDB$FIELD_NAME, RDB$FIELD_POSITION, COALESCE(RDB$COLLATION_ID, 0),
  COALESCE(RDB$NULL_FLAG, 0), RDB$IDENTITY_TYPE FROM RDB$RELATION_FIELDS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1, 2;
SQL
isql-fb -q -i "$work/catalogue.sql" "$work/s.fdb" >"$work/s.cat" 2>&1
for copy in c1 c2; do
    isql-fb -q -i "$work/catalogue.sql" "$work/$copy.fdb" >"$work/$copy.cat" 2>&1
    diff -u "$work/s.cat" "$work/$copy.cat" >&2 || mark "catalogue rows of the $copy copy differ"
done
[ -n "${KEEP:-}" ] && cp "$work"/*.sql "$work"/*.ddl "$KEEP"/
[ $failed = 0 ] || exit 1
echo "PASS: $(basename "$fixture")"
