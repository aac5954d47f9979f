#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite; then the Windows build
# check, the sanitizer runs of the threaded parts, a short run of every fuzz
# target, and the Debian package: built, checked, installed, run and removed.
#
# After the program's own build, four lanes run side by side, so that one
# lane's tests, which mostly wait on lines and timers, overlap another's
# compiling:
#   suites   ctest of the build, then the package (scripts/package.sh,
#            scripts/package-test.sh)
#   windows  scripts/windows-check.sh (mingw-w64 build, suites under Wine)
#   thread   scripts/sanitize.sh thread, then the fuzz targets (scripts/fuzz.sh)
#   address  scripts/sanitize.sh address
# Each lane writes test-logs/<lane>.log; a lane that fails has its log shown.
# Every step's time is printed, and the whole again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
logs=test-logs
rm -rf "$logs"
mkdir -p "$logs"

# Runs a step, printing its wall time.
step() {
  local name=$1
  shift
  local s=$SECONDS
  "$@"
  echo "test: $name took $((SECONDS - s)) s"
}

scripts/install.sh
# The program, its tests and benchmarks, optimised without debugging
# information: the tests run the optimised code, and a third of the compiling
# (the debugging information of every test) is spared.
step build scripts/build.sh build -DCMAKE_BUILD_TYPE=Release

lane() {
  local name=$1
  shift
  (
    set -euo pipefail
    local s=$SECONDS
    for cmd in "$@"; do
      local c=$SECONDS
      echo "== $cmd"
      bash -c "set -euo pipefail; $cmd" || { echo "== FAILED after $((SECONDS - s)) s: $cmd"; exit 1; }
      echo "== $cmd took $((SECONDS - c)) s"
    done
    echo "== lane $name took $((SECONDS - s)) s"
  ) >"$logs/$name.log" 2>&1
}

# Every fuzz target from its corpus, 12 s each, two at a time (about a minute
# in all); any finding fails the run. scripts/fuzz.sh -t SECONDS runs them longer.
declare -A pids
lane suites "ctest --test-dir build --output-on-failure -j $(nproc) --timeout 600" \
  'scripts/package-test.sh "$(scripts/package.sh build)"' &
pids[suites]=$!
lane windows "scripts/windows-check.sh" &
pids[windows]=$!
lane thread "scripts/sanitize.sh thread" "scripts/fuzz.sh -t 12 -j 2 -o build-fuzz/test-run" &
pids[thread]=$!
lane address "scripts/sanitize.sh address" &
pids[address]=$!

failed=()
for name in suites windows thread address; do
  if wait "${pids[$name]}"; then
    grep -E '^== .* took [0-9]+ s$' "$logs/$name.log" | sed "s/^== /test: $name: /"
  else
    failed+=("$name")
    echo "test: lane $name FAILED; its log ($logs/$name.log) follows" >&2
    cat "$logs/$name.log" >&2
  fi
done
echo "test: everything took $((SECONDS - started)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "test: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "test: all suites passed"
