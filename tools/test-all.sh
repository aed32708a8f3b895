#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build,
# the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer,
# the serial and end-to-end link tests under ThreadSanitizer, and a short run
# of every fuzz target. Any failure or sanitizer report fails the script; each
# stage still runs and prints its CTest summary.
#
#   TELVIC_STAGES="normal asan"   run only some stages (normal asan tsan fuzz)
#   TELVIC_FUZZ_SECONDS=20        time per fuzz target
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
telvic_install_deps
jobs=$(nproc)
# Paths relative to the checkout in ccache's keys: a fresh clone anywhere hits the cache.
export CCACHE_BASEDIR="$PWD"
stages=${TELVIC_STAGES:-normal asan tsan fuzz}
supp="$PWD/tests/sanitizers"
failed=()

# Runs one stage's command; a failure is noted and the next stage still runs.
stage() {
  local name="$1"; shift
  echo "=== $name"
  local start=$SECONDS
  if "$@"; then
    echo "=== $name: passed ($((SECONDS - start)) s)"
  else
    echo "=== $name: FAILED ($((SECONDS - start)) s)"
    failed+=("$name")
  fi
}

configure_and_build() {  # <dir> <targets or "all"> <cmake args...>
  local dir="$1" targets="$2"; shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null || return 1
  if [ "$targets" = all ]; then
    cmake --build "$dir" -j "$jobs"
  else
    # shellcheck disable=SC2086
    cmake --build "$dir" -j "$jobs" --target $targets
  fi
}

normal() {
  configure_and_build build/test all || return 1
  ctest --test-dir build/test --output-on-failure -j "$jobs" -LE soak
}

asan() {
  configure_and_build build/asan all -DTELVIC_SANITIZE=asan -DTELVIC_BUILD_BENCH=OFF || return 1
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
  LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
  TELVIC_SMOKE_START_SECONDS=10 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE soak
}

tsan() {
  configure_and_build build/tsan "serial_comm_test test_link_ops test_link_faults" \
    -DTELVIC_SANITIZE=tsan -DTELVIC_BUILD_BENCH=OFF || return 1
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
    ctest --test-dir build/tsan --output-on-failure -j "$jobs" -L 'serial|e2e' -LE soak
}

fuzz() {
  bash tools/fuzz.sh --seconds "${TELVIC_FUZZ_SECONDS:-20}" --jobs "$jobs"
}

for s in $stages; do
  case "$s" in
    normal|asan|tsan|fuzz) stage "$s" "$s" ;;
    *) echo "unknown stage $s"; exit 2 ;;
  esac
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED stages: ${failed[*]}"
  exit 1
fi
echo "All stages passed: $stages"
