#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
telvic_install_deps
jobs=$(nproc)
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" -LE soak
