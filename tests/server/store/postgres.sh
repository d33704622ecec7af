#!/usr/bin/env bash
# A throw-away PostgreSQL for the server tests.
#   postgres.sh start STATE_DIR   initdb into a new temporary folder, start it on
#                                 a free loopback port, write its URL to STATE_DIR/url
#   postgres.sh stop STATE_DIR    stop it and remove the folder
#   postgres.sh start STATE_DIR durable   with PostgreSQL's durability as shipped
#                                 (fsync, synchronous commit), for benchmarks
# PostgreSQL refuses to run as root, so under root (CI) it runs as `postgres`.
# Durability is switched off: the data lives for one test run.
set -euo pipefail
action=$1
state=$2
durability="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
if [ "${3:-}" = durable ]; then durability=""; fi
mkdir -p "$state"

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "PostgreSQL is not installed (scripts/setup-deps.sh installs it)" >&2
  exit 1
fi

if [ "$action" = stop ]; then
  if [ -f "$state/dir" ]; then
    dir=$(cat "$state/dir")
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$dir"
  fi
  rm -f "$state/dir" "$state/url"
  exit 0
fi

# A previous run that was killed may have left one running.
"$0" stop "$state" >/dev/null 2>&1 || true

dir=$(mktemp -d /tmp/kiv-pg.XXXXXX)
chmod 755 "$dir"
if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
echo "$dir" > "$state/dir"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_owner "$bin/initdb" -D "$dir/data" -U kiv -A trust --no-sync -E UTF8 >"$dir/initdb.log" 2>&1 ||
  { cat "$dir/initdb.log" >&2; exit 1; }
as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
  -o "-p $port -k $dir -c listen_addresses=127.0.0.1 $durability -c max_connections=200" \
  start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
echo "postgresql://kiv@127.0.0.1:$port/postgres" > "$state/url"
echo "PostgreSQL on port $port in $dir"
