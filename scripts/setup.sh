#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, testing and running need.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
    cmake g++ ninja-build pkg-config
    qt6-base-dev qt6-svg-dev qt6-qpa-plugins
    libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
    libespeak-ng-dev espeak-ng-data libreofficekit-dev libseccomp-dev libzip-dev
    libgtest-dev libgmock-dev
    fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea
)
# The desktop suite and the headless one conflict: never swap one for the other.
if dpkg-query -W -f='${Status}' libreoffice-impress 2>/dev/null | grep -q 'install ok installed'; then
    :
else
    packages+=(libreoffice-impress-nogui)
fi
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
