#!/usr/bin/env bash
# Runs the threaded and byte-handling parts under ThreadSanitizer and under
# AddressSanitizer with UndefinedBehaviorSanitizer: the serial port with its
# event thread and hand-over, the simulated sensor, the link and its log view,
# and the end-to-end tests that put them together.
# Usage: scripts/sanitize.sh [thread|address]   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

run() {
  local kind="$1" dir="$2"
  shift 2
  echo "sanitize: $kind"
  local suites
  suites="$(IFS=';'; echo "$*")"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVR_SANITIZE="$kind" \
    -DQVR_BUILD_BENCH=OFF "-DQVR_TEST_SUITES=$suites" >/dev/null
  # Every suite a test folder declares, so a new one is never left unbuilt.
  local targets=()
  for suite in "$@"; do
    targets+=($(grep -o 'qvr_add_test_suite([A-Za-z0-9_]*' "tests/$suite/CMakeLists.txt" | cut -d'(' -f2))
  done
  cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600
}

# Qt and glib are not instrumented, so the thread sanitizer sees their worker
# threads (icon and font loading of the main window) race with themselves; the
# thread run keeps to our threaded parts, whose Qt side is the serial widgets.
[ $# -gt 0 ] || set -- thread address
for kind in "$@"; do
  case $kind in
    thread) run thread build-tsan serial sim link logger ;;
    address) run address build-asan base core link serial sim records monitor viewer logger app e2e ui ;;
    *) echo "sanitize: no sanitizer \"$kind\" (thread or address)" >&2; exit 2 ;;
  esac
done
