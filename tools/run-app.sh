#!/usr/bin/env bash
# Installs what building and running needs (tools/deps.sh, run list), builds,
# and starts the programmer application.
# TELVIC_LANG=en starts the English build instead of the Chinese one.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
telvic_install_deps run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DTELVIC_BUILD_BENCH=OFF
cmake --build build --target Telvic200Cy Telvic200CyEn FwUpTL200Cy
if [ "${TELVIC_LANG:-}" = "en" ]; then exec build/app/Telvic200CyEn; fi
exec build/app/Telvic200Cy
