#!/usr/bin/env bash
# Installs what the project needs from Debian's archive. Quick when all is there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config python3
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libqcustomplot-dev qt6-l10n-tools qt6-tools-dev
  clang libfuzzer-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic
  poppler-utils
  g++-mingw-w64-x86-64-posix googletest wine64
  nlohmann-json3-dev python3-jsonschema
  libmosquitto-dev mosquitto mosquitto-clients openssl libsystemd-dev
  dpkg-dev fakeroot lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install: all packages present"
  exit 0
fi

echo "install: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
