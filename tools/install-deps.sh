#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the demo need.
# Idempotent: installs only what is missing, and runs apt-get update only then.
# Uses sudo only when not run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl1.2-compat-dev libsdl-mixer1.2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libcxxopts-dev
  valgrind
  xvfb xdotool imagemagick
)
# Extra packages may be named on the command line (for example xvfb or ffmpeg).
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
