#!/usr/bin/env bash
# Installs the Debian packages Dabrix builds and tests with, skipping those already present.
#   scripts/install-deps.sh [more packages...]   (e.g. what `make fuzz` needs as well)
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
  libqt6svg6
  qt6-charts-dev libqt6opengl6-dev libqt6charts6
  libudev-dev libbluetooth-dev libftdi1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  umockdev libumockdev-dev
  xvfb xauth poppler-utils
  dbus-daemon python3-dbusmock
  qt6-translations-l10n fonts-dejavu-core
  desktop-file-utils appstream lintian dpkg-dev file
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update
"${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
