#!/usr/bin/env python3
"""Writes a made-up day of records, as the recorder leaves them, for the
record viewer's demo: RT_<date>.RCD (minute rows, the extended layout from
the afternoon on, as after the maintenance windows were opened) and
RT_<date>.csv (second rows), with an hour in the morning when the program
was stopped. Usage: record-day.py FOLDER [yyyymmdd]"""

import math
import os
import random
import sys

folder = sys.argv[1]
day = sys.argv[2] if len(sys.argv) > 2 else "20240529"
date = f"{day[0:4]}/{day[4:6]}/{day[6:8]}"
os.makedirs(folder, exist_ok=True)
random.seed(29)

NAMES = ["風速", "気温(参考)", "気温（高精度）", "風速（生値）", "風速用温度", "温度差", "CPU使用率",
         "電源電圧", "AD変換回数", "DA出力", "AT-1", "AT-2", "WDT-1", "WDT-2"]


def number(v):
    """General number text: 15 significant digits, no trailing zeros."""
    text = f"{v:.15g}"
    return text if "e" not in text else text.replace("e+", "E").replace("e", "E")


def reading(t):
    """Wind and air temperature at second t of the day."""
    hour = t / 3600
    base = 2.5 + 2.0 * math.sin(math.pi * (hour - 6) / 12) ** 2 if 6 < hour < 18 else 1.2
    gust = 1.5 * max(0.0, math.sin(t / 97.0)) * math.sin(t / 13.0) ** 2
    wind = max(0.0, base + gust + random.gauss(0, 0.25))
    air = 14 + 6 * math.sin(math.pi * (hour - 9) / 12) + random.gauss(0, 0.05)
    return wind, air


def stopped(t):
    return 7.5 * 3600 <= t < 8.5 * 3600


minute_lines = []
layout = None
second_lines = ["時刻,風速,気温(参考)"]
samples = []
for t in range(0, 86400):
    if stopped(t):
        continue
    wind, air = reading(t)
    samples.append((wind, air))
    second_lines.append(f"{date} {t // 3600:02d}:{t // 60 % 60:02d}.{t % 60:02d},{wind:.3f},{air:.1f},")
    if t % 60 == 7 and samples:
        want = "extended" if t >= 13 * 3600 else "basic"
        channels = 14 if want == "extended" else 2
        if want != layout:
            minute_lines.append("," + "".join(n + ",,," for n in NAMES[:channels]))
            minute_lines.append("時刻," + "Avg,Max,Min," * channels)
            layout = want
        row = f"{date} {t // 3600:02d}:{t // 60 % 60:02d},"
        winds = [s[0] for s in samples]
        airs = [s[1] for s in samples]
        cols = [(sum(winds) / len(winds), max(winds), min(winds)),
                (sum(airs) / len(airs), max(airs), min(airs))]
        for j in range(2, channels):
            v = [air + 0.2, wind * 1.02, 35.0, 2.1, 18.0, 12.1, 1001, 0.96, air, air + 0.1, 60.0, 60.2][j - 2]
            cols.append((v, v, v))
        for avg, hi, lo in cols:
            row += ",".join(number(float(x)) for x in (avg, hi, lo)) + ","
        minute_lines.append(row)
        samples = []

for name, lines in ((f"RT_{day}.RCD", minute_lines), (f"RT_{day}.csv", second_lines)):
    with open(os.path.join(folder, name), "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("cp932"))
print(f"record-day: {len(minute_lines)} minute lines, {len(second_lines)} second lines in {folder}")
