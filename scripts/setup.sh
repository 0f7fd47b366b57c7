#!/usr/bin/env bash
# Installs every Debian package Orvalis needs to build, run and test.
# Idempotent: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ccache
  clang libclang-rt-14-dev
  libsdl2-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra
  libpng-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool time
  tshark
  libgps-dev gpsd gpsd-clients
  groff-base man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  # tshark asks whether to install its capture helper setuid; it is not needed.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | $sudo debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
