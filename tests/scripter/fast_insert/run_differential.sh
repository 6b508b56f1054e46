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

for mode in on off; do
    mkdir "$work/$mode"
    if [ "$mode" = on ]; then
        cp "$script" "$work/$mode/$name.sql"
    else
        sed '1s/.*/SET FAST_INSERT OFF;/' "$script" >"$work/$mode/$name.sql"
    fi
    cp "$dump" "$work/$mode/dump.sql"
    (
        cd "$work/$mode" || exit 1
        "$cli" -q "$name.sql" >script.out 2>script.err </dev/null
        echo $? >script.status
        "$cli" -q dump.sql >dump.out 2>dump.err </dev/null
        echo $? >dump.status
    )
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
