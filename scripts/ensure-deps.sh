#!/usr/bin/env bash
# Installs the Debian packages the build needs that are missing: one `apt-get update`,
# then one `apt-get install -y` of what is not installed. Needs root; without it, says
# which packages to install and fails.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libssl-dev libxml2-dev libxslt1-dev
  binutils-mingw-w64-x86-64
  libcairo2-dev libpango1.0-dev fonts-dejavu-core libpng-dev libjpeg-dev libgif-dev
  libsdl2-dev xvfb xauth xdotool imagemagick
  liblitehtml-dev
  libgmime-3.0-dev
  poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "These Debian packages are missing: ${missing[*]}" >&2
  echo "Install them as root: apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
