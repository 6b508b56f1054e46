#!/usr/bin/env bash
# Runs every tessel-cli command README.md shows, in order, in one fresh folder
# (with a copy of examples/), on the embedded engine: the commands are the
# indented lines "$ tessel-cli ...". Each must succeed, and where lines follow
# it in the same indented block they are its output and must match exactly
# (trailing blanks aside).
#   bash scripts/check-readme.sh [path/to/tessel-cli]   (default: build/src/cli/tessel-cli)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cli="$(realpath "${1:-$root/build/src/cli/tessel-cli}")"
[ -x "$cli" ] || { echo "no tessel-cli at $cli" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/tessel-readme.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cp -r "$root/examples" "$work/"
mkdir "$work/bin"
ln -s "$cli" "$work/bin/tessel-cli"

# One file per command: NNN.cmd holds the command, NNN.out what the README shows.
python3 - "$root/README.md" "$work" <<'PY'
import re, sys
readme, work = sys.argv[1], sys.argv[2]
commands = []
current = None
for line in open(readme, encoding="utf-8").read().splitlines():
    indented = line.startswith("    ")
    if indented and line[4:].startswith("$ tessel-cli"):
        current = [line[6:], []]
        commands.append(current)
    elif current is not None and indented and not line[4:].startswith("$ "):
        current[1].append(line[4:].rstrip())
    elif current is not None and line.strip() == "":
        current[1].append("")
    else:
        current = None
for n, (command, output) in enumerate(commands):
    while output and output[-1] == "":
        output.pop()
    open(f"{work}/{n:03}.cmd", "w").write(command + "\n")
    open(f"{work}/{n:03}.out", "w").write("".join(l + "\n" for l in output))
print(f"{len(commands)} tessel-cli commands in the README")
PY

failed=0
cd "$work"
for cmd in [0-9][0-9][0-9].cmd; do
    n="${cmd%.cmd}"
    echo "\$ $(cat "$cmd")"
    if ! PATH="$work/bin:$PATH" bash "$cmd" </dev/null >"$n.got" 2>"$n.err"; then
        echo "  failed:" >&2
        cat "$n.err" >&2
        failed=1
        continue
    fi
    if [ -s "$n.out" ] && ! diff -u "$n.out" <(sed 's/[[:space:]]*$//' "$n.got" | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}') >"$n.diff"; then
        echo "  output differs from the README:" >&2
        cat "$n.diff" >&2
        failed=1
    fi
done
[ "$failed" -eq 0 ] && echo "every tessel-cli command of the README ran as shown"
exit "$failed"
