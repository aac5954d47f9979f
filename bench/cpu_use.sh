#!/usr/bin/env bash
# Processor time the program takes while it monitors the simulated sensor,
# measured from outside the process over 60 seconds after a warm-up (5 s by
# default; 600 s or more measures it with the chart's full ten minutes). The
# demo sends the parameter set 10 s before its end, after the measured minute.
# Both record files are on and the link window logs both directions.
# Usage: bench/cpu_use.sh [build-dir] [warm-up seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$(cd "${1:-build}" && pwd)/bin"
warmup="${2:-5}"
work="$(mktemp -d /tmp/qvr-cpu.XXXXXX)"
link="$work/sensor"
"$bin/qvr-sensor-sim" --link "$link" >"$work/sim.log" 2>&1 &
sim=$!
# Both record files on (minute and second rows), normal polling; the
# folder's own settings come back afterwards.
ini="$bin/BaseSetpoint.ini"
[ -f "$ini" ] && cp "$ini" "$work/BaseSetpoint.ini"
restore() {
    kill $sim 2>/dev/null || true
    if [ -f "$work/BaseSetpoint.ini" ]; then cp "$work/BaseSetpoint.ini" "$ini"; else rm -f "$ini"; fi
    rm -rf "$work"
}
trap restore EXIT
printf '[Record]\r\nSecRec=1\r\n[Collect]\r\nFastMode=0\r\n' >"$ini"
for _ in $(seq 1 50); do [ -e "$link" ] && break; sleep 0.1; done
printf '[ComPortM]\r\nPort=%s\r\nBaudRate=38400\r\n' "$link" >"$bin/Port0.ini"

QT_QPA_PLATFORM=offscreen QVR_DEMO_SECONDS=$((warmup + 75)) "$bin/qvr-monitor" --demo "$work/shots" >"$work/app.log" 2>&1 &
app=$!
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# The scheduler's own run time of every thread, in nanoseconds: the tick
# count above misses a program that mostly wakes briefly between ticks.
runtime() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {print n + 0}'; }
hz=$(getconf CLK_TCK)
sleep "$warmup"
a0=$(ticks $app); s0=$(ticks $sim); r0=$(runtime $app); t0=$(date +%s.%N)
sleep 60
a1=$(ticks $app); s1=$(ticks $sim); r1=$(runtime $app); t1=$(date +%s.%N)
wait $app || true
awk -v a="$((a1 - a0))" -v s="$((s1 - s0))" -v r="$((r1 - r0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
  wall = t1 - t0
  printf "qvr-monitor: %.2f s CPU in %.1f s = %.2f %% of one core\n", a / hz, wall, 100 * a / hz / wall
  printf "qvr-sensor-sim: %.2f s CPU in %.1f s = %.2f %% of one core\n", s / hz, wall, 100 * s / hz / wall
  printf "qvr-monitor, scheduler run time: %.3f s = %.2f %% of one core\n", r / 1e9, 100 * r / 1e9 / wall
}'
