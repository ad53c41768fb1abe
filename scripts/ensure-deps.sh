#!/usr/bin/env bash
# Installs the Debian packages the build needs that are missing: one `apt-get update`,
# then one `apt-get install -y` of what is not installed. Needs root; without it, says
# which packages to install and fails.
#
#   scripts/ensure-deps.sh          what building and running the program needs
#   scripts/ensure-deps.sh --test   that, and what the tests and benchmarks need
set -euo pipefail

# Building and running the program.
packages=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev libssl-dev libxml2-dev libxslt1-dev
  binutils-mingw-w64-x86-64
  libcairo2-dev libpango1.0-dev fonts-dejavu-core libpng-dev libjpeg-dev libgif-dev
  libsdl2-dev
  liblitehtml-dev
  libgmime-3.0-dev
  # ICU: the regional formats of the user's locale, collation and case mapping
  libicu-dev
)
# The tests and benchmarks only: GoogleTest and Google Benchmark, a screen of their own
# with taps and screenshots for the end-to-end checks (the program on a fixed day there,
# so that its pages are laid out alike whatever the date), the PDF reader for printed
# jobs, the menu-entry checker for the installation test, and for timing the real
# start-up the X client libraries (a window read through shared memory) and the database
# shell that fills a large device.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick libfaketime
  poppler-utils
  desktop-file-utils
  libx11-dev libxext-dev sqlite3
)
case "${1:-}" in
  "") ;;
  --test) packages+=("${test_packages[@]}") ;;
  *) echo "usage: scripts/ensure-deps.sh [--test]" >&2; exit 2 ;;
esac

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
