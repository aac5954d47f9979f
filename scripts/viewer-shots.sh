#!/usr/bin/env bash
# Screenshots of the record viewer on a real X server: a day of minute records
# of all 16 channels, every channel ticked, the pointer over the chart; at
# 100 % and 150 %, in Japanese and English. Needs xvfb, xdotool and imagemagick.
# Usage: scripts/viewer-shots.sh [build-dir] [out-dir]   (default: build docs)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A made-up day as the recorder writes the full layout: a heading pair without
# line-end commas, then a row a minute with each channel's average, maximum
# and minimum.
python3 - "$work/RT_20240529.RCD" <<'PY'
import math, random, sys
random.seed(29)
names = ["風速", "気温(参考)", "気温（高精度）", "風速（生値）", "風速用温度", "温度差", "CPU使用率",
         "電源電圧", "AD変換回数", "DA出力", "AT-1", "AT-2", "WDT-1", "WDT-2", "WD", "Vector-X"]
digits = [3, 1, 3, 3, 3, 3, 1, 3, 0, 3, 3, 3, 3, 3, 0, 3]
lines = ["," + ",,,".join(names), "時刻" + ",Avg,Max,Min" * len(names)]
for m in range(6 * 60, 18 * 60):
    hour = m / 60
    gust = 1.2 * math.sin(m / 23) ** 2
    wind = [max(0.0, 2.5 + 2 * math.sin(math.pi * (hour - 6) / 12) + gust + random.gauss(0, 0.35))
            for s in range(60)]
    air = 14 + 6 * math.sin(math.pi * (hour - 9) / 12)
    avg = sum(wind) / 60
    values = [(avg, max(wind), min(wind)), (air, air + 0.1, air - 0.1)]
    for v in [air + 0.21, avg * 1.02, air + 18.0, 18.0 - air / 10, 12.3, 12.104, 1001, 0.96 + avg / 50,
              air + 0.05, air + 0.12, air + 1.4, air + 1.6, 250 + 20 * math.sin(hour), avg * 0.7]:
        values.append((v, v + 0.05, v - 0.05))
    row = f"2024/05/29 {m // 60:02d}:{m % 60:02d},"
    for (a, hi, lo), d in zip(values, digits):
        row += ",".join(f"{x:.{d}f}" for x in (a, hi, lo)) + ","
    lines.append(row)
with open(sys.argv[1], "wb") as f:
    f.write("".join(l + "\r\n" for l in lines).encode("cp932"))
PY

shoot() { # language scale file
  local lang="$1" scale="$2" png="$3"
  xvfb-run -a -s "-screen 0 1920x1080x24" bash -c '
    set -euo pipefail
    QT_SCALE_FACTOR='"$scale"' "'"$build"'/bin/qvr-monitor" --lang '"$lang"' --view "'"$work"'/RT_20240529.RCD" &
    app=$!
    win=$(xdotool search --sync --onlyvisible --pid $app | tail -1)
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$win")"
    s='"$scale"'
    # The channel list is the lowest part of the side panel: a click on its
    # text selects a channel, Home goes to the first, Space ticks each one.
    xdotool mousemove $(python3 -c "print(int($X + 110 * $s), int($Y + $HEIGHT - 20 * $s))") click 1
    xdotool key Home
    for i in $(seq 14); do xdotool key space Down; done
    sleep 1
    # The pointer a third of the way into the chart.
    xdotool mousemove $(python3 -c "print(int($X + $WIDTH * 0.45), int($Y + $HEIGHT * 0.45))")
    sleep 1
    xdotool mousemove_relative 3 0
    sleep 1
    import -window "$win" "'"$png"'"
    kill $app
  '
}
shoot ja 1 "$out/record-viewer.png"
shoot ja 1.5 "$out/record-viewer-150.png"
shoot en 1 "$out/record-viewer-en.png"
shoot en 1.5 "$out/record-viewer-en-150.png"
echo "viewer-shots: $out/record-viewer{,-150,-en,-en-150}.png"
