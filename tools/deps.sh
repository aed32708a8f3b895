#!/usr/bin/env bash
# Installs the Debian packages the build, the programs and the tests need.
# Sourced by tools/run-app.sh and tools/test-all.sh.
TELVIC_PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev libgl-dev
  libftdi1-dev libusb-1.0-0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  fonts-wqy-zenhei
  srecord binutils
  xvfb xdotool x11-utils imagemagick python3
)
telvic_install_deps() {
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  local missing=()
  for p in "${TELVIC_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get install -y "${missing[@]}" || { $sudo apt-get update && $sudo apt-get install -y "${missing[@]}"; }
  fi
}
