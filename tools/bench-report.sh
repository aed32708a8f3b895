#!/usr/bin/env bash
# bench-report.sh: builds and runs every benchmark under bench/ and prints the
# figures as one table (median of the runs), with the machine they ran on.
# usage: tools/bench-report.sh [--build DIR] [--runs N]     (default: build/bench, 5 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
telvic_install_deps

build=build/bench runs=5
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$2"; shift ;;
    --runs) runs="$2"; shift ;;
    *) echo "bench-report.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

# Optimised build of the benchmarks.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTELVIC_BUILD_BENCH=ON >&2
targets=()
for f in bench/*/CMakeLists.txt; do
  while read -r t; do targets+=("$t"); done < <(sed -n 's/^ *add_executable(\([A-Za-z0-9_]*\).*/\1/p' "$f")
done
cmake --build "$build" --target "${targets[@]}" >&2

echo "Machine: $(nproc) cores; $(lscpu | sed -n 's/^Model name: *//p'); $(free -g | awk '/^Mem:/ {print $2 " GiB memory"}'); $(uname -sr)"
echo "Load average before the runs: $(cut -d" " -f1-3 /proc/loadavg) (other work on the machine slows the figures)"
echo
python3 tools/bench/bench_report.py --build "$build" --runs "$runs"
