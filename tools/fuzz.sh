#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, fuzzer coverage on every
# library) and runs each on a copy of its seed corpus in fuzz/corpus/.
#
#   tools/fuzz.sh                      every target for 20 s, four at a time
#   tools/fuzz.sh --seconds 600        a longer run
#   tools/fuzz.sh --jobs 8 fuzz_link_stream fuzz_fw_reply
#   tools/fuzz.sh --make-corpus        rewrites fuzz/corpus/ from the generator
#   --build DIR                        build folder (default build/fuzz)
#
# Fails when a target crashes, leaks or reports; the input that did it is
# kept in <build>/artifacts/<target>/ and named in the output.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
telvic_install_deps
seconds=20
jobs=4
make_corpus=0
build=build/fuzz
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --make-corpus) make_corpus=1; shift ;;
    --build) build="$2"; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -gline-tables-only"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DTELVIC_FUZZ=ON -DTELVIC_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target telvic_fuzzers fuzz_make_corpus -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"

if [ "$make_corpus" = 1 ]; then
  rm -rf fuzz/corpus
  "$build/fuzz/fuzz_make_corpus" fuzz/corpus
  du -sh fuzz/corpus/*
  exit 0
fi

if [ ${#targets[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do targets+=("$(basename "$d")"); done
fi

run_one() {
  local t="$1" seconds="$2" build="$3"
  local work="$build/work/$t" art="$build/artifacts/$t/" log="$build/logs/$t.log"
  mkdir -p "$work" "$art" "$(dirname "$log")"
  # New inputs go to the work folder; the kept corpus is only read.
  if "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$art" "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz $t: ok ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz $t: FAILED, see $log"
    grep -E 'ERROR|SUMMARY|runtime error|artifact' "$log" | head -20
    return 1
  fi
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build"
