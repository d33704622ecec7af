#!/usr/bin/env bash
# Figures of the real program under Xvfb against a local kiv-server:
#   - resident memory at the login window after 20 s idle,
#   - CPU time used in a minute idle at the login window and signed in,
#   - sign-in time from start to the main window with an auto-login account,
#     at the production pace.
# Needs a Release build (kiv, kiv-server) in build-bench/ or the directory
# given, xvfb-run and sqlite3.
#   bench/kiv_process.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "${1:-build-bench}"
fi
build=$2
kiv=$build/app/kiv
server=$build/server/kiv-server
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

"$server" --db "$work/server.db" seed-demo >/dev/null
"$server" --db "$work/server.db" --bind 127.0.0.1 --port 17839 --web-port 18089 serve >"$work/server.log" 2>&1 &
sleep 1
export KIV_SERVER=127.0.0.1:17839 KIV_WEB=127.0.0.1:18089

cpu_seconds() {  # utime + stime of a process, in seconds
  awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' "/proc/$1/stat"
}
rss_mb() {
  awk '/VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

# 1. The login window, idle.
export KIV_HOME=$work/fresh/
mkdir -p "$KIV_HOME"
"$kiv" >/dev/null 2>&1 &
pid=$!
sleep 20
cpu0=$(cpu_seconds $pid)
rss=$(rss_mb $pid)
sleep 60
echo "login window: ${rss} MB resident after 20 s idle; $(echo "$(cpu_seconds $pid) - $cpu0" | bc) s CPU in 60 s idle"
kill $pid
wait $pid 2>/dev/null || true

# 2. Sign-in time, then the signed-in main window idle (polls included).
export KIV_HOME=$work/auto/
mkdir -p "$KIV_HOME"
sqlite3 "$KIV_HOME/KivSys.dll" "CREATE TABLE loginer(phoneid INTEGER PRIMARY KEY,phone TEXT , pwd TEXT,rtime TEXT);
  CREATE TABLE AutoLoginer(phoneid INTEGER PRIMARY KEY);
  insert into loginer values (10001,'13800000001','123456','2024-01-01 00:00:00');
  insert into AutoLoginer values (10001);"
start=$(date +%s.%N)
"$kiv" >/dev/null 2>&1 &
pid=$!
# The main window opens the account's message store once signed in.
while [ ! -e "$KIV_HOME/10001/MsgEx.db" ]; do sleep 0.02; done
end=$(date +%s.%N)
echo "sign-in: $(echo "$end - $start" | bc) s from start to the main window (auto-login)"
sleep 10
cpu0=$(cpu_seconds $pid)
sleep 60
echo "main window: $(rss_mb $pid) MB resident; $(echo "$(cpu_seconds $pid) - $cpu0" | bc) s CPU in 60 s online"
kill $pid
wait $pid 2>/dev/null || true
