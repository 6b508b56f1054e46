#!/usr/bin/env bash
# Runs one data script through tessel-cli twice, with prepared INSERT reuse on
# and off, each time into a fresh database in a fresh folder, and compares
# what the two runs did: standard output, standard error, exit status, and the
# table contents as NAME.dump.sql reads them afterwards.
#
#   run_differential.sh TESSEL_CLI path/to/NAME.sql
#
# The first line of NAME.sql must be "SET FAST_INSERT ON;"; the second run
# gets "SET FAST_INSERT OFF;" in its place, so that line numbers in error
# reports stay the same. The script creates its database as 'diff.fdb' in the
# working folder; NAME.dump.sql connects to it and selects what is compared.
# With DIFF_SERVER set ("localhost/PORT:"), both go through that server:
# 'diff.fdb' becomes that server's name for the file, the same in both runs.
set -u
cli=$(realpath "$1")
script=$(realpath "$2")
dir=$(dirname "$script")
name=$(basename "$script" .sql)
dump="$dir/$name.dump.sql"
work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-fastinsert.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C

if [ "$(head -n 1 "$script")" != "SET FAST_INSERT ON;" ]; then
    echo "$name.sql: the first line must be SET FAST_INSERT ON;"
    exit 1
fi
[ -f "$dump" ] || { echo "missing $dump"; exit 1; }

# Both runs use the same folder, moved aside afterwards, so that paths in
# the output are the same.
run="$work/run"
for mode in on off; do
    mkdir "$run"
    if [ "$mode" = on ]; then
        cp "$script" "$run/$name.sql"
    else
        sed '1s/.*/SET FAST_INSERT OFF;/' "$script" >"$run/$name.sql"
    fi
    cp "$dump" "$run/dump.sql"
    if [ -n "${DIFF_SERVER:-}" ]; then
        sed -i "s|'diff.fdb'|'$DIFF_SERVER$run/diff.fdb'|g" "$run/$name.sql" "$run/dump.sql"
    fi
    (
        cd "$run" || exit 1
        "$cli" -q "$name.sql" >script.out 2>script.err </dev/null
        echo $? >script.status
        "$cli" -q dump.sql >dump.out 2>dump.err </dev/null
        echo $? >dump.status
    )
    mv "$run" "$work/$mode"
done

failed=0
for part in script.out script.err script.status dump.out dump.err dump.status; do
    if ! cmp -s "$work/on/$part" "$work/off/$part"; then
        echo "$name: $part differs between FAST_INSERT ON and OFF:"
        diff -u --label "on/$part" --label "off/$part" "$work/on/$part" "$work/off/$part"
        failed=1
    fi
done
# Comparing two empty dumps would prove nothing.
if [ "$(cat "$work/on/dump.status")" != 0 ] || [ ! -s "$work/on/dump.out" ]; then
    echo "$name: the dump did not run:"
    cat "$work/on/dump.err"
    failed=1
fi
exit $failed
