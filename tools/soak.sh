#!/usr/bin/env bash
# The soak run: 1,000 automatic sequences and 4,000 result reports on four
# emulated programmer units. Builds what it needs and prints its figures.
#   tools/soak.sh [build folder, default build/test]
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
telvic_install_deps
build=${1:-build/test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target test_link_soak
ctest --test-dir "$build" -L soak --output-on-failure -V
