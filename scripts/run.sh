#!/usr/bin/env bash
# Sets everything up, starts the simulated sensor, points the program's port
# settings at it and starts the program. Without a display the program runs a
# short unattended demo on the offscreen platform and leaves screenshots and
# record files behind.
set -euo pipefail
. "$(dirname "$0")/sensor-link.sh"
cd "$(dirname "$0")/.."
root="$(pwd)"

scripts/install.sh
scripts/build.sh build

bin="$root/build/bin"
link="/tmp/qvr-sensor"
sim_log="$(mktemp /tmp/qvr-sensor-sim.XXXXXX.log)"

"$bin/qvr-sensor-sim" --link "$link" --script "$root/scripts/demo-wind.txt" \
  </dev/null >"$sim_log" 2>&1 &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
wait_for_sensor_link "$link" "$sim_log" run
echo "run: simulated sensor on $link (log: $sim_log)"

# The port settings file beside the executable names the simulator's line.
cat >"$bin/Port0.ini" <<INI
[ComPortM]
Port=$link
BaudRate=38400
StopBits=1
DataBits=8
Parity=None
FlowControl=None
INI

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "run: starting QVR Monitor; press the green start button to see live data"
  "$bin/qvr-monitor"
else
  demo="$root/out/demo"
  mkdir -p "$demo"
  # Per-second recording on, so that the short demo leaves rows behind.
  if [ ! -e "$bin/BaseSetpoint.ini" ]; then
    printf '[Record]\r\nSecRec=1\r\n' >"$bin/BaseSetpoint.ini"
  fi
  echo "run: no display; running a 30-second unattended demo on the offscreen platform"
  # The offscreen platform's notes about window features it lacks are noise here.
  QT_QPA_PLATFORM=offscreen "$bin/qvr-monitor" --demo "$demo" 2>&1 |
    { grep -v -e "This plugin does not support" -e "XDG_RUNTIME_DIR" || true; }
  # The same demo with the English interface; its screenshots go into en/.
  echo "run: the demo again in English (--lang en)"
  mkdir -p "$demo/en"
  QT_QPA_PLATFORM=offscreen "$bin/qvr-monitor" --lang en --demo "$demo/en" 2>&1 |
    { grep -v -e "This plugin does not support" -e "XDG_RUNTIME_DIR" || true; }
  # The record viewer, alone (no port), on a made-up day of minute records.
  python3 scripts/record-day.py "$demo/record-day"
  QT_QPA_PLATFORM=offscreen QVR_VIEW_SHOT="$demo/record-viewer.png" \
    "$bin/qvr-monitor" --view "$demo/record-day/RT_20240529.RCD" 2>&1 |
    { grep -v -e "This plugin does not support" -e "XDG_RUNTIME_DIR" || true; }
  echo "run: screenshots in $demo (English ones in $demo/en)"
  echo "run: record files in $bin/Record"
  ls -l "$demo" "$bin/Record" 2>/dev/null || true
fi
