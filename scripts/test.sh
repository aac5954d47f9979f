#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite; then the Windows build
# check, the sanitizer runs of the threaded parts and a short run of every
# fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600

if [ -x scripts/windows-check.sh ]; then
  scripts/windows-check.sh
fi
if [ -x scripts/sanitize.sh ]; then
  scripts/sanitize.sh
fi
# Every fuzz target from its corpus, 12 s each (about 2 minutes in all);
# any finding fails the run. scripts/fuzz.sh -t SECONDS runs them longer.
scripts/fuzz.sh -t 12 -o build-fuzz/test-run
