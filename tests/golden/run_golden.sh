#!/usr/bin/env bash
# Runs one golden script through tessel-cli in a fresh folder and compares
# standard output byte for byte with NAME.out; standard error with NAME.err
# and the exit status with NAME.status when those files exist (else 0).
set -u
cli=$1
script=$2
dir=$(dirname "$script")
name=$(basename "$script" .sql)
work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-golden.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$script" "$work/"
cd "$work"
"$cli" -q "$name.sql" >actual.out 2>actual.err </dev/null
status=$?
failed=0
if ! diff -u "$dir/$name.out" actual.out; then failed=1; fi
if [ -f "$dir/$name.err" ] && ! diff -u "$dir/$name.err" actual.err; then failed=1; fi
expected_status=0
[ -f "$dir/$name.status" ] && expected_status=$(cat "$dir/$name.status")
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    [ -s actual.err ] && { echo "standard error:"; cat actual.err; }
    failed=1
fi
exit $failed
