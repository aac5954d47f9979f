#!/usr/bin/env python3
"""Many loggers, one broker: N qvr-logger processes against N simulated sensors
publish to one mosquitto broker, which is stopped and started again during the
run; one persistent subscriber checks that every second row a logger recorded
arrived (QoS 1: at least once; repeats are told by their time). The desktop
program runs alongside against its own simulated sensor, to compare processor
time. Prints the figures at the end and exits 1 when a recorded sample is missing.

Usage: bench/logger_load.py [--build build] [--loggers 50] [--seconds 600]
                            [--restarts 2] [--outage 5]
"""

import argparse
import calendar
import datetime
import json
import os
import pathlib
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(check, seconds=20.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if check():
            return True
        time.sleep(0.05)
    return False


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


def cpu_seconds(pid):
    """Run time of a process's threads as the scheduler counts it, in seconds:
    finer than the clock ticks of /proc/PID/stat, which miss a program that
    mostly wakes briefly between them."""
    try:
        total = 0
        for task in pathlib.Path(f"/proc/{pid}/task").iterdir():
            total += int((task / "schedstat").read_text().split()[0])
        return total / 1e9
    except (OSError, ValueError):
        return None


def peak_rss_kb(pid):
    try:
        for line in pathlib.Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    except OSError:
        pass
    return None


def row_utc_second(row):
    """'yyyy/mm/dd hh:nn.ss,...' in local time to 'yyyy-mm-ddThh:mm:ss' in UTC."""
    local = datetime.datetime.strptime(row[:19], "%Y/%m/%d %H:%M.%S")
    utc = datetime.datetime.utcfromtimestamp(time.mktime(local.timetuple()))
    return utc.strftime("%Y-%m-%dT%H:%M:%S")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--loggers", type=int, default=50)
    ap.add_argument("--seconds", type=int, default=600)
    ap.add_argument("--restarts", type=int, default=2)
    ap.add_argument("--outage", type=float, default=5.0, help="seconds the broker stays down")
    ap.add_argument("--keep", action="store_true", help="keep the work folder")
    args = ap.parse_args()

    bin_dir = pathlib.Path(args.build).resolve() / "bin"
    work = pathlib.Path(tempfile.mkdtemp(prefix="qvr-logger-load."))
    procs = []

    def spawn(cmd, log, env=None, stdin=subprocess.DEVNULL):
        p = subprocess.Popen(cmd, stdout=open(work / log, "ab"), stderr=subprocess.STDOUT,
                             stdin=stdin, env=env)
        procs.append(p)
        return p

    port = free_port()
    conf = work / "mosquitto.conf"
    conf.write_text(
        f"listener {port} 127.0.0.1\nallow_anonymous true\n"
        # The checker's session (and what waits for it) lives through the restarts.
        f"persistence true\npersistence_location {work}/\nautosave_interval 5\n"
        "max_queued_messages 0\n" + ("user root\n" if os.geteuid() == 0 else ""))

    def start_broker():
        p = spawn(["mosquitto", "-c", str(conf)], "broker.log")
        if not wait_for(lambda: listening(port)):
            sys.exit("the broker did not start; see " + str(work / "broker.log"))
        return p

    try:
        broker = start_broker()
        received_path = work / "received.txt"
        checker = subprocess.Popen(
            ["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-q", "1", "-c", "-i",
             "qvr-load-checker", "-v", "-t", "qvr/+/sample"],
            stdout=open(received_path, "wb"), stderr=open(work / "checker.log", "wb"))
        procs.append(checker)
        time.sleep(0.5)

        sims = []
        for i in range(args.loggers + 1):
            sims.append(spawn([str(bin_dir / "qvr-sensor-sim"), "--link", str(work / f"s{i}"),
                               "--seed", str(i + 1), "--speed", str(3 + i % 7), "--pace", "burst"],
                              f"sim{i}.log", stdin=subprocess.PIPE))
        wait_for(lambda: all((work / f"s{i}").is_symlink() for i in range(args.loggers + 1)))

        loggers = []
        for i in range(args.loggers):
            (work / f"d{i}").mkdir()
            loggers.append(spawn([str(bin_dir / "qvr-logger"), "--port", str(work / f"s{i}"),
                                  "--data", str(work / f"d{i}"), "--seconds", "--mqtt",
                                  f"mqtt://127.0.0.1:{port}", "--serial", f"L{i}"], f"logger{i}.log"))

        # The desktop program in a folder of its own, recording both files,
        # against the last simulator.
        app_dir = work / "app"
        app_dir.mkdir()
        shutil.copy(bin_dir / "qvr-monitor", app_dir)
        for qm in bin_dir.glob("*.qm"):
            shutil.copy(qm, app_dir)
        (app_dir / "BaseSetpoint.ini").write_bytes(b"[Record]\r\nSecRec=1\r\n[Collect]\r\nFastMode=0\r\n")
        (app_dir / "Port0.ini").write_bytes(
            f"[ComPortM]\r\nPort={work / f's{args.loggers}'}\r\nBaudRate=38400\r\n".encode())
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QVR_DEMO_SECONDS=str(args.seconds + 30))
        app = spawn([str(app_dir / "qvr-monitor"), "--demo", str(work / "shots")], "app.log", env=env)

        warm_up = 8
        time.sleep(warm_up)
        start = time.monotonic()
        cpu0 = {p.pid: cpu_seconds(p.pid) for p in loggers + [app]}
        broker_cpu = 0.0
        restarts_at = [start + args.seconds * (k + 1) / (args.restarts + 1) for k in range(args.restarts)]
        for at in restarts_at:
            time.sleep(max(0.0, at - time.monotonic()))
            broker_cpu += cpu_seconds(broker.pid) or 0.0
            broker.send_signal(signal.SIGTERM)
            broker.wait()
            print(f"broker stopped at {time.monotonic() - start:.0f} s for {args.outage:.0f} s", flush=True)
            time.sleep(args.outage)
            broker = start_broker()
        time.sleep(max(0.0, start + args.seconds - time.monotonic()))
        elapsed = time.monotonic() - start
        cpu1 = {p.pid: cpu_seconds(p.pid) for p in loggers + [app]}
        rss = [peak_rss_kb(p.pid) for p in loggers]
        app_rss = peak_rss_kb(app.pid)
        broker_cpu += cpu_seconds(broker.pid) or 0.0

        # Stop the loggers; what they still hold goes out before they end.
        stop_at = time.monotonic()
        for p in loggers:
            p.send_signal(signal.SIGTERM)
        codes = [p.wait(timeout=30) for p in loggers]
        stop_seconds = time.monotonic() - stop_at

        rows_by_logger = []
        for i in range(args.loggers):
            rows = []
            for f in (work / f"d{i}" / "Record").glob("*.csv"):
                for line in f.read_bytes().decode("cp932").splitlines():
                    if line[:1].isdigit():
                        rows.append(line)
            rows_by_logger.append(rows)
        expected = sum(len(r) for r in rows_by_logger)

        def counts():
            seen = {}
            for line in received_path.read_text().splitlines():
                topic, _, payload = line.partition(" ")
                try:
                    t = json.loads(payload)["time"]
                except (ValueError, KeyError):
                    continue
                seen.setdefault(topic, []).append(t)
            return seen

        wait_for(lambda: sum(len(set(v)) for v in counts().values()) >= expected, 60)
        time.sleep(1)
        seen = counts()
        checker.send_signal(signal.SIGTERM)

        missing = duplicates = out_of_order = 0
        for i, rows in enumerate(rows_by_logger):
            times = seen.get(f"qvr/L{i}/sample", [])
            seconds = {t[:19] for t in times}
            missing += sum(1 for r in rows if row_utc_second(r) not in seconds)
            duplicates += len(times) - len(set(times))
            firsts, known = [], set()
            for t in times:
                if t not in known:
                    known.add(t)
                    firsts.append(t)
            out_of_order += sum(1 for a, b in zip(firsts, firsts[1:]) if b < a)

        use = [(cpu1[p.pid] - cpu0[p.pid]) / elapsed * 100 for p in loggers]
        app_use = (cpu1[app.pid] - cpu0[app.pid]) / elapsed * 100
        rss_known = [r for r in rss if r]
        print(f"run: {args.loggers} loggers, {elapsed:.0f} s measured after {warm_up} s, "
              f"broker restarted {args.restarts}x ({args.outage:.0f} s down each)")
        print(f"samples recorded: {expected}; received distinct: "
              f"{sum(len(set(v)) for k, v in seen.items() if k.startswith('qvr/L'))}; "
              f"missing: {missing}; repeats: {duplicates}; out of order: {out_of_order}")
        print(f"logger CPU: mean {sum(use) / len(use):.2f} %, max {max(use):.2f} % of a core; "
              f"desktop program: {app_use:.2f} %; ratio mean/desktop {sum(use) / len(use) / app_use:.2f}")
        print(f"logger peak RSS: mean {sum(rss_known) / len(rss_known) / 1024:.1f} MB, "
              f"max {max(rss_known) / 1024:.1f} MB; desktop program {app_rss / 1024:.1f} MB")
        print(f"broker CPU: {broker_cpu / elapsed * 100:.2f} % of a core")
        print(f"loggers stopped with SIGTERM in {stop_seconds:.2f} s, exit codes {sorted(set(codes))}")
        return 1 if missing else 0
    finally:
        for p in procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print("work folder:", work)


if __name__ == "__main__":
    sys.exit(main())
