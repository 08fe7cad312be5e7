#!/usr/bin/env bash
# Installs what the project needs from Debian's packages; does nothing when
# everything is there already.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  zlib1g-dev libdeflate-dev pxlib-dev libuchardet-dev
  libbz2-dev liblzma-dev libzstd-dev nettle-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  zip unzip p7zip-full libarchive-tools python3 time bc
  xvfb xauth fonts-dejavu-core
  desktop-file-utils libxml2-utils shared-mime-info man-db dpkg-dev file
  rclone
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
