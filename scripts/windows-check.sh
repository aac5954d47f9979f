#!/usr/bin/env bash
# Cross-compiles the serial core and its check program for 64-bit Windows
# with mingw-w64, and runs the program under Wine (when Wine is here) against
# a pseudo-terminal that Wine sees as COM5, with an echoing far end.
# Exits non-zero when the build or the check fails.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QVR_WINDOWS_BUILD:-$root/build-windows}"
wine="${QVR_WINE:-/usr/lib/wine/wine64}"

if ! command -v x86_64-w64-mingw32-g++-posix > /dev/null; then
    echo "windows-check: x86_64-w64-mingw32-g++-posix is missing (g++-mingw-w64-x86-64-posix)" >&2
    exit 1
fi

mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQVR_CORE_ONLY=ON -DQVR_BUILD_TESTS=OFF -DQVR_BUILD_BENCH=OFF \
    > "$build/configure.log" 2>&1 || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" --target serial_win32_check -j 2
program="$build/serial/serial_win32_check.exe"

if [[ ! -x "$wine" ]]; then
    echo "windows-check: built $program; Wine is not here, so it was not run"
    exit 0
fi

export WINEPREFIX="${WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG=-all
if [[ ! -d "$WINEPREFIX/dosdevices" ]]; then
    "$wine" wineboot -i > /dev/null 2>&1 || true
fi
mkdir -p "$WINEPREFIX/dosdevices"

# The checks that need no port first; they also show whether Wine runs here.
if ! probe="$(timeout 120 "$wine" "$program" 2> /dev/null)"; then
    if ! grep -q " passed, " <<< "$probe"; then
        echo "windows-check: built $program; Wine did not start it, so it was not run" >&2
        exit 0
    fi
    echo "$probe"
    exit 1
fi
if ! command -v python3 > /dev/null; then
    echo "$probe"
    echo "windows-check: no python3 for the far end of the port; the port exchange was not run" >&2
    exit 0
fi

# The far end: a pseudo-terminal whose master echoes every byte back.
ready="$(mktemp)"
python3 - "$WINEPREFIX/dosdevices/com5" "$ready" << 'PY' &
import os, select, sys, termios, time, tty
link, ready = sys.argv[1], sys.argv[2]
master, slave = os.openpty()
tty.setraw(slave)
try:
    os.unlink(link)
except FileNotFoundError:
    pass
os.symlink(os.ttyname(slave), link)
open(ready, "w").write("1")
end = time.time() + 120
while time.time() < end:
    r, _, _ = select.select([master], [], [], 0.5)
    if r:
        try:
            data = os.read(master, 4096)
        except OSError:
            continue
        os.write(master, data)
PY
peer=$!
trap 'kill "$peer" 2> /dev/null || true; rm -f "$ready" "$WINEPREFIX/dosdevices/com5"' EXIT
for _ in $(seq 50); do [[ -s "$ready" ]] && break; sleep 0.1; done

timeout 120 "$wine" "$program" COM5 2> "${QVR_WINE_ERR:-/dev/null}"
