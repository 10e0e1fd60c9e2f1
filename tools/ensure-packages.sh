#!/usr/bin/env bash
# Installs the Debian 12 packages the tool, its tests, its checks and its demo need, when any is
# missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev qt6-serialport-dev qt6-translations-l10n libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core xvfb xauth
  dpkg-dev file lintian desktop-file-utils appstream libxml2-utils man-db shared-mime-info
  # The Windows compile check: the MinGW-w64 cross compiler (POSIX threads, as Qt needs) and the
  # script that reads the compile commands.
  g++-mingw-w64-x86-64-posix python3
)
# npm installs the workflow validator: Debian's, unless a Node.js that brings its own is there.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
