#!/usr/bin/env bash
# Installs every Debian package the build, the data generator and the tests need (ffmpeg for
# tepple-capture --video and its tests).
# Idempotent: packages already present are left alone and apt is not touched at all.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  libsdl2-dev libsdl2-mixer-dev libmp3lame-dev
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libdeflate-dev
  xvfb xauth xdotool imagemagick x11-apps x11-utils xfonts-base
  clang libclang-rt-14-dev
  ffmpeg
  libosmesa6-dev
)

missing=()
for pkg in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Another apt process may briefly hold the dpkg lock: retry rather than fail.
for attempt in 1 2 3 4 5 6; do
  if $SUDO apt-get update -q && $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    exit 0
  fi
  echo "apt-get failed (attempt $attempt), retrying in 10 s" >&2
  sleep 10
done
echo "error: could not install: ${missing[*]}" >&2
exit 1
