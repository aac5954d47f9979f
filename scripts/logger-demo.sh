#!/usr/bin/env bash
# Starts a broker, the simulated sensor, qvr-logger publishing to the broker and
# a subscriber for a few seconds, then prints what arrived and what was recorded.
# Usage: scripts/logger-demo.sh [build-dir] [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
seconds="${2:-8}"
for exe in "$build/bin/qvr-logger" "$build/bin/qvr-sensor-sim"; do
  [[ -x "$exe" ]] || { echo "$exe is missing: build first (scripts/build.sh $build)" >&2; exit 1; }
done
work="$(mktemp -d /tmp/qvr-logger-demo.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
{
  echo "listener $port 127.0.0.1"
  echo "allow_anonymous true"
  echo "persistence false"
  [[ $(id -u) -eq 0 ]] && echo "user root"
} > "$work/mosquitto.conf"
mosquitto -c "$work/mosquitto.conf" > "$work/broker.log" 2>&1 &
pids+=($!)
"$build/bin/qvr-sensor-sim" --link "$work/sensor" --speed 6 --seed 7 < /dev/null > "$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [[ -L "$work/sensor" ]] && (echo > "/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

mosquitto_sub -h 127.0.0.1 -p "$port" -t 'qvr/#' -v -q 1 > "$work/received.txt" &
pids+=($!)
"$build/bin/qvr-logger" --port "$work/sensor" --data "$work/data" --seconds \
  --mqtt "mqtt://127.0.0.1:$port" --serial DEMO-1 2> "$work/logger.log" &
logger=$!
sleep "$seconds"
kill -TERM "$logger"
wait "$logger" || true
sleep 0.5

echo "== qvr-logger said (standard error):"
cat "$work/logger.log"
echo
echo "== the subscriber received ($(wc -l < "$work/received.txt") messages; the first few):"
head -n 6 "$work/received.txt"
echo "..."
tail -n 3 "$work/received.txt"
echo
echo "== recorded in $work/data/Record:"
for f in "$work/data/Record/"*; do
  echo "-- $(basename "$f"):"
  iconv -f CP932 -t UTF-8 "$f" | tail -n 3
done
