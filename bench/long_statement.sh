#!/usr/bin/env bash
# Peak memory of tessel-cli for one long statement without a terminator: a
# file of SIZE_MB megabytes holding a single SELECT whose end the script
# never marks. Two shapes: one long quoted literal (the scanner keeps it in
# one run) and many short tokens with quotes, '-' and '/' (it keeps them a
# few characters at a time). No database is named, so the statement fails
# with "invalid database handle" and only tessel-cli's own copies count.
# Reported: the peak RSS (/usr/bin/time -v) and its ratio to the file size.
# Run by hand; it is not part of the tests.
#
#   bench/long_statement.sh [TESSEL_CLI] [SIZE_MB...]
#
# TESSEL_CLI defaults to build/src/cli/tessel-cli, the sizes to 100 500.
set -euo pipefail
cli=${1:-build/src/cli/tessel-cli}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100 500)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

write_statement() {  # shape size_mb file
    python3 - "$1" "$2" "$3" <<'PY'
import sys
shape, mb, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
if shape == "quoted":
    head, part, tail = "select 1 from rdb$database where 'x' = '", \
        "abcdefghij" * 7 + "-- not a comment in quotes /* */ x\n", "'\n"
else:
    head, part, tail = "select 1 from rdb$database where 1 in (", \
        "1-1, 'a', 2/2, \"x\", 3-3,\n", "0)\n"
count = mb * 1000 * 1000 // len(part)
with open(path, "w") as f:
    f.write(head)
    chunk = part * 10000
    for _ in range(count // 10000):
        f.write(chunk)
    f.write(part * (count % 10000))
    f.write(tail)
PY
}

printf '%-8s %8s %12s %7s\n' shape "file MB" "peak RSS MB" ratio
for size in "${sizes[@]}"; do
    for shape in quoted short; do
        file="$work/$shape-$size.sql"
        write_statement "$shape" "$size" "$file"
        bytes=$(stat -c %s "$file")
        /usr/bin/time -v "$cli" "$file" >/dev/null 2>"$work/time.txt" || true
        kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
        awk -v s="$shape" -v b="$bytes" -v k="$kb" \
            'BEGIN { printf "%-8s %8.0f %12.0f %7.2f\n", s, b / 1e6, k * 1024 / 1e6, k * 1024 / b }'
        rm -f "$file"
    done
done
