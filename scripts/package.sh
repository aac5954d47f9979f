#!/usr/bin/env bash
# Builds the Debian package from a build tree with CPack and checks it the way
# Debian would: lintian (no errors), desktop-file-validate on the menu entry and
# appstreamcli on the metainfo. Prints the package's path last.
# Usage: scripts/package.sh [build-dir]   (default build, built when needed)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
[ -f "$dir/CPackConfig.cmake" ] || scripts/build.sh "$dir"
cmake --build "$dir" -j "$(nproc)" >/dev/null
rm -f "$dir"/qvr-monitor_*.deb
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log" >&2; exit 1; }
deb="$(ls "$dir"/qvr-monitor_*.deb)"
say() { echo "package: $*" >&2; }

lintian --fail-on error "$deb" >&2 ||
  { say "lintian found errors in $deb"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
desktop-file-validate "$work/usr/share/applications/qvr-monitor.desktop" >&2
for f in "$work"/usr/share/metainfo/*.xml; do
  appstreamcli validate --no-net "$f" >&2
done
say "$(dpkg-deb -f "$deb" Package Version Depends | tr '\n' ' ')"
say "lintian, desktop-file-validate and appstreamcli passed"
echo "$deb"
