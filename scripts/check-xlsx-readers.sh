#!/usr/bin/env bash
# Checks a large .xlsx capture with readers we did not write: tessel-cli
# captures ROWS rows of five typed columns (integer, varchar, numeric,
# timestamp, char) on the embedded engine; gnumeric (ssconvert) and
# LibreOffice (soffice) each turn the workbook into CSV, and every value is
# compared with what isql-fb shows for the same SELECT. A reader that is not
# installed is skipped with a note. Run by hand; not part of the tests.
#
#   scripts/check-xlsx-readers.sh [TESSEL_CLI] [ROWS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "${1:-$root/build/src/cli/tessel-cli}")
rows=${2:-200000}
[ -x "$cli" ] || { echo "tessel-cli not found: $cli" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-xlsx-readers.XXXXXX")
trap 'rm -rf "$work"' EXIT
db="$work/capture.fdb"

# The table of bench/compare_xls_capture.sh.
. "$root/bench/workloads.sh"
{
    five_column_fill "CREATE DATABASE '$db' USER 'SYSDBA' PASSWORD 'masterkey';
$FIVE_COLUMN_TABLE" "$rows"
    printf "XLS CREATE '%s';\n%s ORDER BY ID;\nXLS CLOSE;\n" "$work/capture.xlsx" "$FIVE_COLUMN_SELECT"
} >"$work/capture.sql"
"$cli" -q -o /dev/null "$work/capture.sql"
printf "SET LIST ON;\n%s ORDER BY ID;\n" "$FIVE_COLUMN_SELECT" >"$work/list.sql"
isql-fb -q -u SYSDBA -p masterkey "$db" -i "$work/list.sql" >"$work/isql.txt"

compare() {
    /usr/bin/python3 - "$work/isql.txt" "$1" "$2" <<'PY'
import csv, datetime, sys

expected, current = [], {}
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.rstrip("\n")
    if not line.strip():
        if current:
            expected.append(current)
            current = {}
        continue
    key, _, value = line.partition(" ")
    # CHAR values keep their trailing blanks.
    current[key] = value.lstrip() if key == "CODE" else value.strip()
if current:
    expected.append(current)

def stamp(text):
    for form in ("%Y/%m/%d %H:%M:%S", "%Y/%m/%d", "%d/%m/%Y %H:%M:%S", "%d/%m/%Y"):
        try:
            return datetime.datetime.strptime(text, form)
        except ValueError:
            pass
    raise ValueError(text)

reader = csv.reader(open(sys.argv[2], encoding="utf-8"))
next(reader)
compared = differences = 0
for row, want in zip(reader, expected):
    compared += 1
    same = (int(float(row[0])) == int(want["ID"]) and row[1] == want["NAME"]
            and abs(float(row[2].replace(",", "")) - float(want["AMOUNT"])) < 1e-9
            and stamp(row[3]) == datetime.datetime.strptime(want["STAMP"][:19], "%Y-%m-%d %H:%M:%S")
            and row[4] == want["CODE"])
    if not same:
        differences += 1
        if differences <= 5:
            print("  differs:", row, want)
print(f"{sys.argv[3]}: {compared} of {len(expected)} rows compared, {differences} differences")
sys.exit(0 if compared == len(expected) and differences == 0 else 1)
PY
}

status=0
if command -v ssconvert >/dev/null; then
    ssconvert "$work/capture.xlsx" "$work/gnumeric.csv" 2>/dev/null
    compare "$work/gnumeric.csv" "gnumeric $(ssconvert --version | head -1 | grep -o '[0-9.]*' | head -1)" || status=1
else
    echo "gnumeric (ssconvert) is not installed: skipped"
fi
if command -v soffice >/dev/null; then
    mkdir "$work/lo"
    soffice -env:UserInstallation="file://$work/lo/profile" --headless \
        --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir "$work/lo" \
        "$work/capture.xlsx" >/dev/null 2>&1
    compare "$work/lo/capture.csv" "LibreOffice" || status=1
else
    echo "LibreOffice (soffice) is not installed: skipped"
fi
exit $status
