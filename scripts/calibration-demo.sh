#!/usr/bin/env bash
# The unattended calibration demo: starts the simulated sensor in still air,
# runs QVR Monitor on the offscreen platform through the whole calibration
# (about two minutes), turns the tunnel to 5 m/s when the program asks for the
# reference speed, and leaves a picture of the calibration tab at
# "キャリブレーション完了" together with the stage logs and the sensor's
# setpoint file.
set -euo pipefail
. "$(dirname "$0")/sensor-link.sh"
cd "$(dirname "$0")/.."
root="$(pwd)"

if [ "${1:-}" != "--no-build" ]; then
  scripts/install.sh
  scripts/build.sh build
fi

out="$root/out/calibration-demo"
rm -rf "$out"
mkdir -p "$out"
# The program keeps its files beside itself: give it a folder of its own.
cp "$root/build/bin/qvr-monitor" "$out/"
link="$out/sensor"
fifo="$out/sensor-commands"
mkfifo "$fifo"

"$root/build/bin/qvr-sensor-sim" --link "$link" --seed 7 <"$fifo" >"$out/sensor.log" 2>&1 &
sim_pid=$!
exec 3>"$fifo" # the sensor's commands; held open so that it keeps reading
trap 'echo quit >&3 2>/dev/null || true; kill "$sim_pid" 2>/dev/null || true' EXIT
echo "speed 0" >&3
wait_for_sensor_link "$link" "$out/sensor.log" calibration-demo

printf '[ComPortM]\r\nPort=%s\r\nBaudRate=38400\r\n' "$link" >"$out/Port0.ini"
# The defaults a calibration starts from: the sensor's factory values, every
# key (the program names any field a defaults file lacks).
{
  printf '[Early]\r\nErDifCenter=0\r\n'
  for i in 0 1 2 3; do printf 'ErDifDir%d=0\r\n' "$i"; done
  printf 'HeaterWatt=0.2\r\nDifT0m=50\r\nAdjDifT=20\r\nAdjWS=5\r\n'
  for i in 0 1 2 3 4 5 6 7 8 9; do printf 'DIV%d=0\r\nVAL%d=0\r\n' "$i" "$i"; done
  printf '[Exp16]\r\nATRevice0=0\r\nATRevice1=0\r\nWDTRevice0=0\r\nWDTRevice1=0\r\nATRev=9\r\n'
  printf '[System]\r\nChipStdV=2.5\r\n'
} >"$out/DefaultPrm.qvr"

echo "calibration-demo: running the calibration against the simulated sensor (about two minutes)"
QT_QPA_PLATFORM=offscreen QVR_DEMO_CALIBRATION=1 "$out/qvr-monitor" --demo "$out" 2>&1 |
  while IFS= read -r line; do
    case "$line" in
      *"This plugin does not support"* | *XDG_RUNTIME_DIR*) continue ;;
    esac
    echo "$line"
    if [ "$line" = "demo: tunnel 5 m/s" ]; then echo "speed 5" >&3; fi
  done

if [ ! -s "$out/calibration-tab.png" ]; then
  echo "calibration-demo: no picture was left" >&2
  exit 1
fi
# The report's page as a picture, for the user guide.
report="$(ls "$out"/Report/*.pdf 2>/dev/null | head -n 1 || true)"
if [ -n "$report" ]; then
  pdftoppm -png -r 110 -singlefile "$report" "$out/calibration-report"
fi
echo "calibration-demo: pictures, logs, report and setpoint file in $out"
ls -l "$out"
