#!/usr/bin/env bash
# Pictures of the menu bar, the settings window against a calibrated sensor and
# a write's plan, in both languages at 100 % and 150 %, on a virtual X server.
# Usage: scripts/screenshots-plan.sh [build-dir] [out-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs}"
mkdir -p "$out"
for lang in ja en; do
  for scale in 1 1.5; do
    tag="$lang-$([ "$scale" = 1 ] && echo 100 || echo 150)"
    QVR_SHOTS="$(realpath "$out")" QVR_SHOTS_TAG="$tag" QVR_SHOTS_LANG="$lang" \
      QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
      xvfb-run -a -s "-screen 0 1920x1080x24" \
      "$build/tests/e2e/e2e_tests" --gtest_filter='ParameterWrite.PicturesOfTheMenuAndThePlan'
  done
done
