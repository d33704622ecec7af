#!/usr/bin/env bash
# Builds the client and the reference server (Release, into build/), starts
# kiv-server with the demo accounts in the background and then the client.
# The server stops when the client exits.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "No display found. Run the client under a virtual X server instead:" >&2
  echo "    xvfb-run ./run.sh" >&2
  exit 1
fi

./scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIV_BUILD_TESTS=OFF -DKIV_BUILD_BENCH=OFF >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target kiv kiv-server

demo=build/demo
mkdir -p "$demo"
server=build/server/kiv-server
db="$demo/kiv-server.db"
[ -f "$db" ] || "$server" --db "$db" seed-demo

# The avatar web port is one that needs no privileges, also when this script
# runs as root: the server never needs them (port 80 is for the systemd unit).
web_port=8080

"$server" --db "$db" --bind 127.0.0.1 --port 7838 --web-port "$web_port" --log "$demo/kiv-server.log" serve \
  >>"$demo/kiv-server.log" 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true' EXIT

export KIV_SERVER=127.0.0.1:7838
export KIV_WEB=127.0.0.1:$web_port
export KIV_HOME="${KIV_HOME:-$PWD/$demo/home}"
echo "kiv-server on 127.0.0.1:7838 (web $KIV_WEB), log in $demo/kiv-server.log"
./build/app/kiv
