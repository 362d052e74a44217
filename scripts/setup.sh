#!/usr/bin/env bash
# Installs what building and testing corvan needs, from Debian's packages,
# when it is missing. Usage: scripts/setup.sh [extra-package ...]
set -euo pipefail

packages=(build-essential cmake pkg-config libfftw3-dev libgtest-dev nlohmann-json3-dev
          libisospec++-dev libmicrohttpd-dev chromium chromium-driver python3-selenium
          python3-numpy python3-dask python3-distributed python3-pandas locales python3-venv
          doxygen python3-sphinx libpwiz-dev python3-pymzml "$@")
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
