#!/usr/bin/env bash
# The unattended calibration demo: starts the simulated sensor in still air,
# runs QVR Monitor on the offscreen platform through the whole calibration
# (about two minutes), turns the tunnel to 5 m/s when the program asks for the
# reference speed, then verifies the sensor at 2, 4 … 12 m/s (about three
# minutes more). Leaves pictures of the calibration tab at
# "キャリブレーション完了" and of the verification tab, the report with its
# verification page, its digital certificate (beside the report), the stage
# logs and the sensor's setpoint file.
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

echo "calibration-demo: running the calibration and a verification against the simulated sensor (about five minutes)"
QT_QPA_PLATFORM=offscreen QVR_DEMO_CALIBRATION=1 QVR_DEMO_SECONDS=${QVR_DEMO_SECONDS:-900} \
  "$out/qvr-monitor" --demo "$out" 2>&1 |
  while IFS= read -r line; do
    case "$line" in
      *"This plugin does not support"* | *XDG_RUNTIME_DIR*) continue ;;
    esac
    echo "$line"
    case "$line" in
      "demo: tunnel "*" m/s") speed="${line#demo: tunnel }" && echo "speed ${speed% m/s}" >&3 ;;
    esac
  done

if [ ! -s "$out/calibration-tab.png" ]; then
  echo "calibration-demo: no picture was left" >&2
  exit 1
fi
# The report's pages as pictures, for the user guide: the calibration, and
# the verification on the page after it.
report="$(ls "$out"/Report/*.pdf 2>/dev/null | head -n 1 || true)"
if [ -n "$report" ]; then
  pdftoppm -png -r 110 -singlefile "$report" "$out/calibration-report"
  pages="$(pdfinfo "$report" | awk '/^Pages:/ {print $2}')"
  if [ "${pages:-1}" -gt 1 ]; then
    pdftoppm -png -r 110 -f "$pages" -l "$pages" -singlefile "$report" "$out/verification-report"
  fi
  # The verification's digital certificate goes with its report.
  for certificate in "$out"/*_VER.json; do
    [ -e "$certificate" ] && cp "$certificate" "$(dirname "$report")/"
  done
fi
if ! ls "$out"/Report/*_VER.json >/dev/null 2>&1; then
  echo "calibration-demo: no certificate was written" >&2
  exit 1
fi
echo "calibration-demo: pictures, logs, report and setpoint file in $out"
ls -l "$out"
