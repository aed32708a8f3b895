#!/usr/bin/env bash
# Installs the Debian packages the build, the programs and the tests need.
# Sourced by the scripts in tools/:
#   telvic_install_deps run   only what building and running the three programs needs
#   telvic_install_deps       everything: also the tests, benchmarks, fuzzing,
#                             the demonstration and the screenshots
TELVIC_RUN_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libftdi1-dev libusb-1.0-0-dev
  fonts-wqy-zenhei  # the Chinese build's texts
)
TELVIC_TEST_PACKAGES=(
  ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  srecord binutils
  xvfb xdotool x11-utils imagemagick python3
)
telvic_install_deps() {
  local packages=("${TELVIC_RUN_PACKAGES[@]}")
  if [ "${1:-}" != run ]; then packages+=("${TELVIC_TEST_PACKAGES[@]}"); fi
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get install -y "${missing[@]}" || { $sudo apt-get update && $sudo apt-get install -y "${missing[@]}"; }
  fi
}
