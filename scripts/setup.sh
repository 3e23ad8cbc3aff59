#!/usr/bin/env bash
# Shared by scripts/run and scripts/test: install what is missing, configure, build.
set -euo pipefail

PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libbenchmark-dev
          fonts-ipafont-gothic fonts-ipafont-mincho poppler-utils qt6-translations-l10n libqt6svg6
          dpkg-dev fakeroot file lintian appstream desktop-file-utils man-db
          libcups2-dev cups cups-client printer-driver-cups-pdf)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
  elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "Missing packages. Please run as root:" >&2
    echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
BUILD_TYPE="${BUILD_TYPE:-Release}"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${CMAKE_EXTRA_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR" --parallel "$(nproc)"
