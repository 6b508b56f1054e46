#!/usr/bin/env bash
# Runs every data script given through run_differential.sh against a private
# Firebird server (scripts/test-server.sh), where runs of INSERTs of one
# shape are sent as one block: FAST_INSERT ON must still do exactly what OFF
# does.
#
#   run_remote_differential.sh TESSEL_CLI SCRIPT.sql...
set -u
here=$(cd "$(dirname "$0")" && pwd)
server="$here/../../../scripts/test-server.sh"
cli=$1
shift
export TEST_SERVER_OWNER_PID=$$
env_lines=$("$server" start "" diff) || { echo "the test server did not start"; exit 1; }
folder=$(sed -n 's/^FOLDER=//p' <<<"$env_lines")
port=$(sed -n 's/^PORT=//p' <<<"$env_lines")
trap '"$server" stop "$folder" >/dev/null 2>&1' EXIT
export DIFF_SERVER="localhost/$port:"
failed=0
for script in "$@"; do
    "$here/run_differential.sh" "$cli" "$script" || failed=1
done
exit $failed
