#!/usr/bin/env bash
# Installs the Debian 12 packages Voltrigg needs to build, run and test.
# Only what is missing is installed; run as root (or with sudo available).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libboost-math-dev nlohmann-json3-dev
  qt6-base-dev libgl-dev fonts-ipafont-gothic
  qt6-charts-dev libqt6opengl6-dev libqt6printsupport6 libcups2 poppler-utils
  xvfb xauth strace
  clang clang-tidy clang-format cppcheck libclang-rt-14-dev
  python3 help2man man-db bash-completion desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
