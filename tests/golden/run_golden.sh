#!/usr/bin/env bash
# Runs one golden script through tessel-cli in a fresh folder and compares its
# standard output with NAME.out, its standard error with NAME.err when that
# file exists, and its exit status with NAME.status when that file exists
# (else 0).
#
#   run_golden.sh TESSEL_CLI path/to/NAME.sql
#
# Expected files are compared line by line and byte for byte, except lines
# that begin with "~ " (tilde, blank): the rest of such a line is an extended
# regular expression (as grep -E) that the whole actual line must match.
# Patterns are only for the server's own wording that another server version
# may change (an error's position, a plan's index names); the program's own
# texts, layouts and messages stay exact. A literal output line that begins
# with "~ " is written as a pattern: "~ ~ text".
#
# Files the script uses beside it (a script run by EXECUTE SCRIPT) live in the
# folder NAME.files/, whose contents are copied into the working folder.
set -u
cli=$(realpath "$1")
script=$(realpath "$2")
dir=$(dirname "$script")
name=$(basename "$script" .sql)
work=$(mktemp -d "${TMPDIR:-/tmp}/tessel-golden.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp "$script" "$work/"
[ -d "$dir/$name.files" ] && cp -R "$dir/$name.files/." "$work/"
cd "$work" || exit 1
# Decimal separators follow the process locale; the expected files use C's.
export LC_ALL=C
"$cli" -q "$name.sql" >actual.out 2>actual.err </dev/null
status=$?

# resolve EXPECTED ACTUAL: the expected file with every pattern line that
# matches the actual line in its place replaced by that line, so that the
# actual file must then equal it byte for byte.
resolve() {
    local -a expected actual
    mapfile expected <"$1"
    mapfile actual <"$2"
    local i pattern
    for i in "${!expected[@]}"; do
        if [[ ${expected[i]} == "~ "* ]]; then
            pattern=${expected[i]#"~ "}
            pattern=${pattern%$'\n'}
            # A line feed ends every output line, the last one too.
            if [[ ${actual[i]-} == *$'\n' && ${actual[i]%$'\n'} =~ ^($pattern)$ ]]; then
                printf '%s' "${actual[i]}"
                continue
            fi
        fi
        printf '%s' "${expected[i]}"
    done
}

compare() {
    resolve "$1" "$2" >"$2.expected"
    cmp -s "$2.expected" "$2" && return 0
    diff -u --label "$1" --label "$2" "$2.expected" "$2"
    return 1
}

failed=0
compare "$dir/$name.out" actual.out || failed=1
if [ -f "$dir/$name.err" ]; then compare "$dir/$name.err" actual.err || failed=1; fi
expected_status=0
[ -f "$dir/$name.status" ] && expected_status=$(cat "$dir/$name.status")
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    [ -s actual.err ] && { echo "standard error:"; cat actual.err; }
    failed=1
fi
exit $failed
