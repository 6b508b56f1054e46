#!/usr/bin/env bash
# End-to-end cost of the XLS capture: tessel-cli runs a SELECT of ROWS rows
# of five typed columns (integer, varchar, numeric, timestamp, char) on the
# embedded engine twice, once writing its output lines to a text file (-o),
# once capturing the rows into a workbook (XLS CREATE, the SELECT, XLS CLOSE)
# with its text output going to /dev/null. Reports the median wall and CPU
# time and the peak resident memory of each. Run by hand; not part of the tests.
#
#   bench/compare_xls_capture.sh [TESSEL_CLI] [RUNS] [ROWS] [EXTENSION]
#
# TESSEL_CLI defaults to build-bench/src/cli/tessel-cli, RUNS to 7, ROWS to
# 65,535 (a full Excel 97 sheet), EXTENSION to xls; with xlsx the workbook is
# an Office Open XML one, which holds up to 1,048,576 rows. The runs
# of the two alternate, so that other work on the machine falls on both
# alike. Everything lives in a temporary folder that is removed on exit.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build-bench/src/cli/tessel-cli}")
runs=${2:-7}
rows=${3:-65535}
extension=${4:-xls}

[ -x "$cli" ] || { echo "tessel-cli not found: $cli" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-xls-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
db="$work/capture.fdb"

# The table of bench/compare_isql.sh, filled by tessel-cli itself.
. "$root/bench/workloads.sh"
five_column_fill "CREATE DATABASE '$db' USER 'SYSDBA' PASSWORD 'masterkey';
$FIVE_COLUMN_TABLE" "$rows" >"$work/fill.sql"
"$cli" -q "$work/fill.sql" >/dev/null

connect="CONNECT '$db' USER 'SYSDBA' PASSWORD 'masterkey';"
select="$FIVE_COLUMN_SELECT;"
printf "%s\n%s\n" "$connect" "$select" >"$work/text.sql"
printf "%s\nXLS CREATE '%s';\n%s\nXLS CLOSE;\n" "$connect" "$work/capture.$extension" "$select" \
    >"$work/capture.sql"

# Both must do the whole work before their times mean anything.
"$cli" -q -o "$work/text.out" "$work/text.sql"
"$cli" -q "$work/capture.sql" >/dev/null
echo "Text output: $(wc -l <"$work/text.out") lines, $(du -k "$work/text.out" | cut -f1) kB;" \
    "workbook: $(du -k "$work/capture.$extension" | cut -f1) kB"

python3 "$root/bench/rounds.py" "$runs" \
    --workload "$rows rows" \
    --command "SELECT to a text file (-o)" "'$cli' -q -o '$work/text.out' '$work/text.sql'" \
    --command "XLS capture to .$extension and close" \
    "'$cli' -q -o /dev/null '$work/capture.sql'" \
    --ratio "XLS capture to .$extension and close" "SELECT to a text file (-o)"
