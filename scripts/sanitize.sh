#!/usr/bin/env bash
# Runs the threaded and byte-handling parts under ThreadSanitizer and under
# AddressSanitizer with UndefinedBehaviorSanitizer: the serial port with its
# event thread and hand-over, the simulated sensor, the link and the end-to-end
# tests that put them together.
set -euo pipefail
cd "$(dirname "$0")/.."

run() {
  local kind="$1" dir="$2"
  shift 2
  echo "sanitize: $kind"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQVR_SANITIZE="$kind" \
    -DQVR_BUILD_BENCH=OFF "-DQVR_TEST_SUITES=$*" >/dev/null
  local targets=()
  for suite in "$@"; do
    case "$suite" in
      serial) targets+=(serial_core_tests serial_gui_tests) ;;
      sim) targets+=(sim_tests) ;;
      *) targets+=("${suite}_tests") ;;
    esac
  done
  cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600
}

# Qt itself is not instrumented: its own locks are invisible to the thread
# sanitizer, so the thread run keeps to the parts without a Qt event loop in
# other threads (the serial hand-over wakes the loop through a pipe).
run thread build-tsan serial sim link
run address build-asan base link serial sim e2e
