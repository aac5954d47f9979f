# Sourced by the demo scripts: waits up to 5 s for the simulated sensor's link
# and ends the script, showing the sensor's output, when it never appears.
# Usage: wait_for_sensor_link LINK SENSOR-LOG SCRIPT-NAME
wait_for_sensor_link() {
  local link="$1" log="$2" name="$3"
  for _ in $(seq 1 50); do
    [ -e "$link" ] && return 0
    sleep 0.1
  done
  echo "$name: the simulated sensor did not start; its output:" >&2
  cat "$log" >&2
  exit 1
}
