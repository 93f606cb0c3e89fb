#!/usr/bin/env bash
# Installs every Debian 12 package needed to build, run, test, fuzz and benchmark the program.
# Idempotent; run as root (or through sudo) on a fresh machine.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools libqt6uitools6
  qt6-qpa-plugins libgl-dev libqt6opengl6-dev
  libcurl4-openssl-dev libicu-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  curl openssl ca-certificates
  xvfb xauth x11-utils imagemagick fonts-noto-cjk
  xdotool
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
