#!/usr/bin/env bash
# Installs the Debian package on this machine, runs it from /usr/bin as a user
# who is not root (nobody, with a home of its own), and removes it again:
#   - qvr-monitor --version;
#   - a first start creates the per-user data folder with the shipped defaults;
#   - a start against the packaged simulated sensor records into that folder.
# Needs root (or sudo). A package of that name installed before is replaced and
# removed: do not run it where qvr-monitor is installed for real.
# Usage: scripts/package-test.sh PACKAGE.deb
set -euo pipefail
deb="$(realpath "$1")"
say() { echo "package-test: $*"; }
fail() {
  echo "package-test: FAILED: $*" >&2
  exit 1
}
SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
version="$(dpkg-deb -f "$deb" Version)"

work="$(mktemp -d /tmp/qvr-package-test.XXXXXX)"
home="$work/home"
data="$home/.local/share/qvr-monitor"
mkdir -p "$home"
chmod 755 "$work"
"${SUDO[@]}" chown -R nobody:nogroup "$home"
sim_pid="" monitor_pid="" installed=0
cleanup() {
  [ -n "$monitor_pid" ] && kill "$monitor_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  if [ $installed -eq 1 ]; then "${SUDO[@]}" dpkg --purge qvr-monitor >/dev/null || true; fi
  "${SUDO[@]}" rm -rf "$work"
}
trap cleanup EXIT

# As nobody, with nothing of root's environment but what a desktop session has.
as_user() {
  "${SUDO[@]}" setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen "$@"
}

installed=1
"${SUDO[@]}" dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(tail -n 5 "$work/dpkg.log")"
for f in /usr/bin/qvr-monitor /usr/bin/qvr-sensor-sim /usr/share/qvr-monitor/DefaultPrm.qvr \
  /usr/share/applications/qvr-monitor.desktop /usr/share/icons/hicolor/scalable/apps/qvr-monitor.svg \
  /usr/share/man/man1/qvr-monitor.1.gz /usr/share/doc/qvr-monitor/copyright \
  /usr/bin/qvr-logger /usr/share/man/man1/qvr-logger.1.gz /lib/systemd/system/qvr-logger@.service; do
  [ -e "$f" ] || fail "the package did not install $f"
done

out="$(as_user /usr/bin/qvr-monitor --version)"
[ "$out" = "qvr-monitor $version" ] || fail "--version printed \"$out\", not \"qvr-monitor $version\""
say "$out"
out="$(as_user /usr/bin/qvr-logger --version)"
[ "$out" = "qvr-logger $version" ] || fail "qvr-logger --version printed \"$out\""

# First start: an offscreen demo of two seconds; the data folder appears with the defaults.
as_user env QVR_DEMO_SECONDS=2 timeout 120 /usr/bin/qvr-monitor --demo "$home/shots" \
  >"$work/first.log" 2>&1 || fail "the first start failed: $(tail -n 5 "$work/first.log")"
[ -f "$home/shots/main-window.png" ] || fail "the first start left no picture of its window"
for f in DefaultPrm.qvr Port0.ini; do
  cmp -s "/usr/share/qvr-monitor/$f" "$data/$f" || fail "$f was not copied into $data"
done
[ "$(stat -c %U "$data")" = nobody ] || fail "$data does not belong to its user"
say "the first start made $data with the shipped defaults"

# The packaged simulated sensor on a pseudo-terminal, and the program recording from it.
as_user /usr/bin/qvr-sensor-sim --link "$home/sensor" --seed 5 </dev/null >"$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  [ -e "$home/sensor" ] && break
  sleep 0.1
done
[ -e "$home/sensor" ] || fail "the simulated sensor did not start: $(cat "$work/sim.log")"
printf '[ComPortM]\r\nPort=%s\r\nBaudRate=38400\r\n' "$home/sensor" | as_user tee "$data/Port0.ini" >/dev/null
printf '[Record]\r\nSecRec=1\r\n' | as_user tee "$data/BaseSetpoint.ini" >/dev/null
as_user env QVR_DEMO_SECONDS=600 /usr/bin/qvr-monitor --demo "$home/shots" >"$work/run.log" 2>&1 &
monitor_pid=$!
rows=0
for _ in $(seq 600); do
  rows=$(cat "$data"/Record/RT_*.csv 2>/dev/null | grep -c '^[0-9]' || true)
  [ "$rows" -ge 3 ] && break
  kill -0 "$monitor_pid" 2>/dev/null || fail "the program ended: $(tail -n 5 "$work/run.log")"
  sleep 0.1
done
[ "$rows" -ge 3 ] || fail "no record rows in $data/Record: $(tail -n 5 "$work/run.log")"
[ "$(stat -c %U "$data"/Record/RT_*.csv | sort -u)" = nobody ] || fail "records not owned by the user"
say "$rows second rows recorded in $data/Record"
kill "$monitor_pid"
wait "$monitor_pid" 2>/dev/null || true
monitor_pid=""
[ -z "$(ls /usr/bin | grep -i -e '\.ini$' -e '\.lock$' -e '^Record$' || true)" ] ||
  fail "the program wrote beside itself in /usr/bin"

"${SUDO[@]}" dpkg --purge qvr-monitor >"$work/purge.log" 2>&1 || fail "dpkg --purge: $(cat "$work/purge.log")"
installed=0
[ ! -e /usr/bin/qvr-monitor ] && [ ! -e /usr/share/qvr-monitor ] || fail "the package left files behind"
[ -f "$data/Port0.ini" ] || fail "removing the package removed the user's files"
say "installed, ran as nobody from /usr/bin, recorded, removed"
