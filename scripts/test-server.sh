#!/usr/bin/env bash
# A private Firebird server for tests, isolated from the system's server and
# configuration: its own root folder, port, IPC name, lock folder and
# security database. The system's installation is only linked to, never
# changed.
#
#   test-server.sh start [PORT] [PASSWORD]
#       Builds a root folder under ${TMPDIR:-/tmp}, creates its security
#       database with the SYSDBA password (random when not given), starts
#       /usr/sbin/firebird in the background and waits until it listens on
#       127.0.0.1:PORT (a free port when not given). Prints FOLDER=, PORT=,
#       PID= and PASSWORD= lines, also written to FOLDER/server.env.
#       With TEST_SERVER_OWNER_PID set, a watcher stops the server and removes
#       the folder once that process has ended, so a crashed test run leaves
#       no server behind.
#   test-server.sh stop FOLDER
#       Kills the server by its process id and removes the folder.
set -euo pipefail

FB_SYSTEM_ROOT=${FB_SYSTEM_ROOT:-/usr/lib/x86_64-linux-gnu/firebird/3.0}
FB_SERVER=${FB_SERVER:-/usr/sbin/firebird}
FB_ISQL=${FB_ISQL:-isql-fb}

die() {
    echo "test-server.sh: $*" >&2
    exit 1
}

port_in_use() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

free_port() {
    local port
    for _ in $(seq 1 200); do
        port=$((20000 + RANDOM % 40000))
        if ! port_in_use "$port"; then
            echo "$port"
            return 0
        fi
    done
    die "no free port found"
}

build_root() {
    local folder=$1 port=$2
    local item
    for item in firebird.msg intl plugins lib UDF; do
        [ -e "$FB_SYSTEM_ROOT/$item" ] || die "$FB_SYSTEM_ROOT/$item is missing (is firebird3.0-server installed?)"
        ln -s "$FB_SYSTEM_ROOT/$item" "$folder/$item"
    done
    cp "$FB_SYSTEM_ROOT/plugins.conf" "$folder/plugins.conf"
    mkdir "$folder/lock"
    cat >"$folder/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
IpcName = tessel_test_$(basename "$folder")
GuardianOption = 0
SecurityDatabase = $folder/security3.fdb
CONF
    cat >"$folder/databases.conf" <<CONF
security.db = $folder/security3.fdb
{
    RemoteAccess = false
}
CONF
}

create_security_database() {
    local folder=$1 password=$2
    # Embedded isql: with FIREBIRD pointing at the folder the engine reads only
    # the folder's configuration, whose SecurityDatabase is the new file, so
    # the user is created there and never in the system's security database.
    FIREBIRD=$folder FIREBIRD_LOCK=$folder/lock "$FB_ISQL" -q -user SYSDBA >"$folder/isql.log" 2>&1 <<SQL || true
create database '$folder/security3.fdb';
create or alter user SYSDBA password '$password';
commit;
SQL
    [ -f "$folder/security3.fdb" ] || die "creating the security database failed: $(cat "$folder/isql.log")"
    # The user manager keeps its users in PLG$SRP of the security database it
    # used; the table must exist in ours.
    local tables
    tables=$(FIREBIRD=$folder FIREBIRD_LOCK=$folder/lock "$FB_ISQL" -q -user SYSDBA "$folder/security3.fdb" 2>&1 <<'SQL' || true
set heading off;
select count(*) from rdb$relations where rdb$relation_name = 'PLG$SRP';
SQL
)
    if [ "$(echo "$tables" | tr -d ' \n')" != 1 ]; then
        die "SYSDBA was not created in $folder/security3.fdb: $(cat "$folder/isql.log") $tables"
    fi
}

# Waits until the server listens on the port: true when it does, false when
# it exited first (the port was taken, a bad configuration). The limit only
# guards against a hang; a loaded machine may take long to start it.
wait_listening() {
    local pid=$1 port=$2 tries=0
    until port_in_use "$port"; do
        kill -0 "$pid" 2>/dev/null || return 1
        tries=$((tries + 1))
        if [ "$tries" -gt 1200 ]; then
            kill -9 "$pid" 2>/dev/null || true
            return 1
        fi
        sleep 0.1
    done
}

start_server() {
    local port=${1:-} password=${2:-}
    [ -x "$FB_SERVER" ] || die "$FB_SERVER not found (is firebird3.0-server installed?)"
    command -v "$FB_ISQL" >/dev/null || die "$FB_ISQL not found (is firebird3.0-utils installed?)"
    [ -n "$port" ] || port=$(free_port)
    [ -n "$password" ] || password=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n')

    local folder
    folder=$(mktemp -d "${TMPDIR:-/tmp}/tessel-fbserver.XXXXXX")
    # A failed start leaves nothing behind.
    trap 'rm -rf "$folder"' EXIT
    build_root "$folder" "$port"
    create_security_database "$folder" "$password"

    # A port found free can be taken by another test's server before ours
    # binds it; with a port of our own choosing the start moves to another.
    local attempt pid chosen=${1:-}
    for attempt in 1 2 3 4 5; do
        FIREBIRD=$folder FIREBIRD_LOCK=$folder/lock FIREBIRD_TMP=$folder \
            setsid "$FB_SERVER" >"$folder/server.log" 2>&1 </dev/null &
        pid=$!
        echo "$pid" >"$folder/server.pid"
        wait_listening "$pid" "$port" && break
        local log
        log=$(cat "$folder/server.log" "$folder/firebird.log" 2>/dev/null || true)
        if [ -n "$chosen" ] || [ "$attempt" = 5 ]; then
            rm -rf "$folder"
            die "the server did not start on port $port: $log"
        fi
        port=$(free_port)
        sed -i "s/^RemoteServicePort = .*/RemoteServicePort = $port/" "$folder/firebird.conf"
    done

    trap - EXIT
    if [ -n "${TEST_SERVER_OWNER_PID:-}" ]; then
        watch_owner "$TEST_SERVER_OWNER_PID" "$folder" >/dev/null 2>&1 </dev/null &
    fi

    {
        echo "FOLDER=$folder"
        echo "PORT=$port"
        echo "PID=$pid"
        echo "PASSWORD=$password"
    } | tee "$folder/server.env"
}

alive() {
    # A zombie counts as gone: the detached server may wait for a reaper.
    kill -0 "$1" 2>/dev/null && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]
}

watch_owner() {
    local owner=$1 folder=$2
    while alive "$owner" && [ -d "$folder" ]; do
        sleep 1
    done
    [ -d "$folder" ] && stop_server "$folder"
}

stop_server() {
    local folder=${1:-}
    [ -n "$folder" ] || die "stop needs the server folder"
    [ -f "$folder/server.env" ] || die "$folder is not a test server folder"
    local pid
    pid=$(cat "$folder/server.pid")
    if alive "$pid"; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 100); do
            alive "$pid" || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -rf "$folder"
}

case "${1:-}" in
    start) shift; start_server "$@" ;;
    stop) shift; stop_server "$@" ;;
    *) die "usage: test-server.sh start [PORT] [PASSWORD] | stop FOLDER" ;;
esac
