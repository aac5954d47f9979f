#!/usr/bin/env bash
# Cross-compiles the standard-C++ core and every core test suite for 64-bit
# Windows with mingw-w64, and runs the suites under Wine. The serial suite
# talks to the simulated sensor through a COM port that Wine maps to the
# simulator's pseudo-terminal.
#
# Exits non-zero when the build fails, a suite fails, or Wine is installed but
# cannot run the programs. Without Wine it builds, says so and exits 0.
#
# QVR_WINDOWS_BUILD  cross build folder (default build-windows)
# QVR_WINE           Wine loader (default /usr/lib/wine/wine64)
# QVR_WINEPREFIX     Wine prefix (default build-windows/wineprefix)
# QVR_SIM            native simulator (default build/bin/qvr-sensor-sim, built when missing)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QVR_WINDOWS_BUILD:-$root/build-windows}"
wine="${QVR_WINE:-/usr/lib/wine/wine64}"
started=$SECONDS

say() { echo "windows-check: $*"; }
fail() {
    echo "windows-check: FAILED: $*" >&2
    exit 1
}

command -v x86_64-w64-mingw32-g++-posix > /dev/null ||
    fail "x86_64-w64-mingw32-g++-posix is missing (package g++-mingw-w64-x86-64-posix)"
[[ -f /usr/src/googletest/CMakeLists.txt ]] ||
    fail "no GoogleTest sources in /usr/src/googletest (package googletest)"

launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DQVR_CORE_ONLY=ON -DQVR_BUILD_TESTS=ON -DQVR_BUILD_BENCH=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" "${launcher[@]}" \
    > "$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    fail "configuring the cross build"
}
cmake --build "$build" -j "$(nproc)" > "$build/build.log" 2>&1 || {
    grep -E "error|FAILED" "$build/build.log" | head -40 >&2
    fail "cross build (see $build/build.log)"
}
mapfile -t suites < "$build/core-suites.txt"
say "built ${#suites[@]} core suites for Windows in $((SECONDS - started)) s"

if [[ ! -x "$wine" ]]; then
    say "Wine is not installed ($wine), so the suites were built but not run (skipped)"
    exit 0
fi

# A prefix of its own, so that stopping its Wine server at the end touches
# nothing else.
export WINEPREFIX="${QVR_WINEPREFIX:-$build/wineprefix}"
export WINEDEBUG=-all
work="$(mktemp -d)"
sim_pid=""
cleanup() {
    if [[ -n "$sim_pid" ]]; then
        echo quit >&3 2> /dev/null || true
        for _ in $(seq 50); do
            kill -0 "$sim_pid" 2> /dev/null || break
            sleep 0.1
        done
        kill "$sim_pid" 2> /dev/null || true
    fi
    rm -f "$WINEPREFIX/dosdevices/com5"
    "${wine%/*}/wineserver" -k 2> /dev/null || wineserver -k 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

if [[ ! -d "$WINEPREFIX/dosdevices" ]]; then
    timeout 300 "$wine" wineboot -i > "$work/wineboot.log" 2>&1 || true
fi
[[ -d "$WINEPREFIX/dosdevices" ]] ||
    fail "Wine is installed but could not set up its prefix $WINEPREFIX: $(tail -n 3 "$work/wineboot.log")"

# The simulated sensor, native, behind COM5; its commands come through a FIFO
# that the serial suite writes to (for example to hang the line up).
sim="${QVR_SIM:-$root/build/bin/qvr-sensor-sim}"
if [[ ! -x "$sim" ]]; then
    cmake -S "$root" -B "$build/native-sim" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQVR_CORE_ONLY=ON -DQVR_BUILD_TESTS=OFF -DQVR_BUILD_BENCH=OFF \
        > "$build/native-sim.log" 2>&1 &&
        cmake --build "$build/native-sim" --target qvr-sensor-sim >> "$build/native-sim.log" 2>&1 ||
        fail "building the native simulator (see $build/native-sim.log)"
    sim="$build/native-sim/bin/qvr-sensor-sim"
fi
mkfifo "$work/control"
exec 3<> "$work/control"
"$sim" --link "$WINEPREFIX/dosdevices/com5" --seed 15 < "$work/control" > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    grep -q "^link:" "$work/sim.log" && break
    sleep 0.05
done
grep -q "^link:" "$work/sim.log" || fail "the simulator did not start: $(cat "$work/sim.log")"
export QVR_SIM_COM_PORT=COM5
export QVR_SIM_CONTROL="Z:${work//\//\\}\\control"

# One Wine server for all the suites, instead of one per program.
"${wine%/*}/wineserver" -p 2> /dev/null || true

failed=0
total_passed=0 total_skipped=0
for exe in "${suites[@]}"; do
    name="$(basename "$exe" .exe)"
    log="$work/$name.log"
    rc=0
    timeout 600 "$wine" "$exe" 2> "$work/$name.err" | tr -d '\r' > "$log" || rc=$?
    if ! grep -q '^\[==========\] Running' "$log"; then
        # Wine itself, not the suite, now and then fails to start a program
        # on a loaded machine (exit 1, nothing printed): one more start, with
        # its errors shown, before that counts.
        echo "windows-check: Wine did not start $name (exit $rc); starting it once more" >&2
        "${wine%/*}/wineserver" -p 2> /dev/null || true
        sleep 1
        rc=0
        WINEDEBUG=err+all timeout 600 "$wine" "$exe" 2> "$work/$name.err" | tr -d '\r' > "$log" || rc=$?
    fi
    if ! grep -q '^\[==========\] Running' "$log"; then
        echo "windows-check: FAILED: Wine is installed but did not run $name (exit $rc):" >&2
        tail -n 5 "$work/$name.err" "$log" >&2
        exit 1
    fi
    if ! grep -q '^\[==========\] .* ran\.' "$log"; then
        echo "windows-check: FAILED: $name stopped before its end under Wine (exit $rc):" >&2
        tail -n 15 "$log" >&2
        failed=1
        continue
    fi
    passed="$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p' "$log")"
    skipped="$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:/\1/p' "$log")"
    failures="$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:/\1/p' "$log")"
    passed=${passed:-0} skipped=${skipped:-0} failures=${failures:-0}
    total_passed=$((total_passed + passed))
    total_skipped=$((total_skipped + skipped))
    printf 'windows-check: %-22s %4d passed, %d skipped, %d failed\n' "$name" "$passed" "$skipped" "$failures"
    if [[ $rc -ne 0 || $failures -ne 0 ]]; then
        failed=1
        grep -E -A10 ': Failure$|^\[  FAILED  \]' "$log" | head -80 >&2 || true
    fi
    # Name what was skipped on Windows and why.
    awk '/: Skipped$/ { getline why; next }
         /^\[  SKIPPED \] .*\([0-9]+ ms\)$/ { sub(/ \([0-9]+ ms\)$/, ""); print "    skipped " $4 ": " why }' "$log"
done

if grep -q "SimulatedSensorPort.*SKIPPED\|SKIPPED.*SimulatedSensorPort" "$work"/serial_core_tests.log 2> /dev/null; then
    fail "the COM port tests were skipped although the simulator was running"
fi
say "$total_passed tests passed, $total_skipped skipped under Wine; $((SECONDS - started)) s in all"
[[ $failed -eq 0 ]] || fail "a suite failed under Wine"
