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
cat >"$work/fill.sql" <<EOF
CREATE DATABASE '$db' USER 'SYSDBA' PASSWORD 'masterkey';
CREATE TABLE T (ID INTEGER, NAME VARCHAR(40), AMOUNT NUMERIC(15,2), STAMP TIMESTAMP, CODE CHAR(10));
SET TERM ^ ;
EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < $rows) DO BEGIN
INSERT INTO T (ID, NAME, AMOUNT, STAMP, CODE) VALUES (:I, 'Name ' || :I,
CAST(:I AS NUMERIC(15,2)) / 100, DATEADD(:I SECOND TO TIMESTAMP '2024-01-01 00:00:00'),
'C' || LPAD(MOD(:I, 100000), 5, '0')); I = I + 1; END END^
SET TERM ; ^
COMMIT;
EOF
"$cli" -q "$work/fill.sql" >/dev/null

connect="CONNECT '$db' USER 'SYSDBA' PASSWORD 'masterkey';"
select="SELECT ID, NAME, AMOUNT, STAMP, CODE FROM T;"
printf "%s\n%s\n" "$connect" "$select" >"$work/text.sql"
printf "%s\nXLS CREATE '%s';\n%s\nXLS CLOSE;\n" "$connect" "$work/capture.$extension" "$select" \
    >"$work/capture.sql"

# Both must do the whole work before their times mean anything.
"$cli" -q -o "$work/text.out" "$work/text.sql"
"$cli" -q "$work/capture.sql" >/dev/null
echo "Text output: $(wc -l <"$work/text.out") lines, $(du -k "$work/text.out" | cut -f1) kB;" \
    "workbook: $(du -k "$work/capture.$extension" | cut -f1) kB"

python3 - "$runs" "$cli" "$work" "$extension" <<'PY'
import os, statistics, sys, time

runs, cli, work, extension = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
commands = {
    "SELECT to a text file (-o)": [cli, "-q", "-o", work + "/text.out", work + "/text.sql"],
    f"XLS capture to .{extension} and close": [cli, "-q", "-o", "/dev/null", work + "/capture.sql"],
}
results = {name: [] for name in commands}
for _ in range(runs):
    for name, argv in commands.items():
        start = time.monotonic()
        pid = os.fork()
        if pid == 0:
            os.execv(argv[0], argv)
        _, status, usage = os.wait4(pid, 0)
        wall = time.monotonic() - start
        if status != 0:
            sys.exit(f"{name} failed with status {status}")
        results[name].append((wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024))

print(f"| Run ({runs} each, medians) | Wall [s] | CPU [s] | Peak RSS [MB] |")
print("|---|---:|---:|---:|")
medians = {}
for name, values in results.items():
    wall = statistics.median(v[0] for v in values)
    cpu = statistics.median(v[1] for v in values)
    rss = max(v[2] for v in values)
    medians[name] = (wall, cpu)
    print(f"| {name} | {wall:.3f} | {cpu:.3f} | {rss:.1f} |")
text, xls = medians.values()
print(f"\nCapture / text: wall {xls[0] / text[0]:.2f}, CPU {xls[1] / text[1]:.2f}")
PY
