#!/usr/bin/env bash
# Sets everything up, builds, and runs every test suite; then the Windows build
# check and the sanitizer runs of the threaded parts.
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
