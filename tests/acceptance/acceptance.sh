#!/usr/bin/env bash
# acceptance.sh: the user-level test. Under Xvfb, four emulated units are shown
# to the unmodified programmer application as FTDI ports (tools/demo/run-demo.sh);
# xdotool chooses the chip, loads the HEX file through the file dialog, runs
# Download, presses Space and quits through the menu; then the saved log, the
# units' record and their chips are checked (check_run.py).
#
# usage: acceptance.sh --lang zh|en --build DIR
# Exit 77 (skipped) only where a tool is missing or the namespace is refused.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
readonly kSkip=77
readonly kRunLimitS=240
readonly kScreen="1280x1024x24"

lang="" build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --lang) lang="$2"; shift ;;
    --build) build="$2"; shift ;;
    *) echo "acceptance.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$lang" ] && [ -n "$build" ] || { echo "usage: acceptance.sh --lang zh|en --build DIR" >&2; exit 2; }

skip() { echo "SKIPPED: $*"; exit $kSkip; }
for tool in Xvfb xdotool python3 unshare; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (tools/deps.sh installs it)"
done

work="$(mktemp -d /tmp/telvic-acceptance-$lang.XXXXXX)"
xvfb_pid=""
finish() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "${keep:-0}" = 1 ]; then echo "kept for a look: $work"; else rm -rf "$work"; fi
}
trap finish EXIT

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 "$kScreen" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for ((t = 0; t < 100; ++t)); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
# Qt's own widgets and file dialog on a real X window: no theme plug-in, no offscreen.
unset QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM QT_STYLE_OVERRIDE

args=(--build "$build" --app-dir "$work/app" --record "$work/record" --dump "$work/chip"
      --shots "$work/shots" --drive --quit)
[ "$lang" = en ] && args+=(--en)
timeout "$kRunLimitS" bash "$repo/tools/demo/run-demo.sh" "${args[@]}" >"$work/run.log" 2>&1
rc=$?
cat "$work/run.log"
if [ "$rc" -eq "$kSkip" ]; then
  skip "$(grep -m1 SKIP "$work/run.log" || echo "the private mount namespace was refused")"
fi
if [ "$rc" -ne 0 ]; then
  keep=1
  echo "FAIL: the run did not go through (exit $rc); screenshots in $work/shots"
  exit 1
fi

python3 "$here/check_run.py" --lang "$lang" --app-dir "$work/app" --record "$work/record" \
  --dump "$work/chip" --image "$build/demo/CY8C27443-demo.bin" || { keep=1; exit 1; }
