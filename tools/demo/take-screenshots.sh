#!/usr/bin/env bash
# take-screenshots.sh: the README's pictures, taken under Xvfb with the CJK font:
# the main window of both builds after a demonstration run, the chip pop-up
# menu, the main hex view with the demo image, and the firmware upgrade tool.
#
# usage: tools/demo/take-screenshots.sh [--build DIR] [OUT_DIR]   (default: docs/screenshots)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
readonly kScreen="1280x1024x24"
readonly kWindowWaitTenths=100

build="$repo/build"
if [ "${1:-}" = --build ]; then build="$(realpath -m "$2")"; shift 2; fi
out="$(realpath -m "${1:-$repo/docs/screenshots}")"
mkdir -p "$out"
work="$(mktemp -d /tmp/telvic-shots.XXXXXX)"
xvfb_pid="" fw_pid=""
finish() {
  [ -n "$fw_pid" ] && kill "$fw_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT

Xvfb -displayfd 3 -screen 0 "$kScreen" -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for ((t = 0; t < kWindowWaitTenths; ++t)); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
unset QT_QPA_PLATFORMTHEME QT_QPA_PLATFORM QT_STYLE_OVERRIDE

save() { cp "$1" "$out/$2"; echo "  $out/$2"; }

# The demo object file is loaded from a neutral folder, so the pictures show no
# build or temporary folder: /home/operator, or /srv/operator when the checkout
# lies under /home (the tmpfs that holds the file would hide it).
demodir=/home/operator
for p in "$repo" "$build"; do case "$p/" in /home/*) demodir=/srv/operator ;; esac; done

for lang in zh en; do
  args=(--build "$build" --app-dir "$work/app-$lang" --demo-dir "$demodir" --drive --quit --shots "$work/$lang")
  [ "$lang" = en ] && args+=(--en)
  bash "$here/run-demo.sh" "${args[@]}" >"$work/run-$lang.log" 2>&1 || { cat "$work/run-$lang.log"; exit 1; }
  save "$work/$lang/programmed-$lang.png" "main-window-$lang.png"
done
save "$work/zh/chipmenu-zh.png" "chip-menu-zh.png"
save "$work/zh/hexview-zh.png" "hex-view-zh.png"

# The upgrade tool needs no unit to show its window.
[ -x "$build/fwupgrade/FwUpTL200Cy" ] || cmake --build "$build" --target FwUpTL200Cy
"$build/fwupgrade/FwUpTL200Cy" >"$work/fw.log" 2>&1 &
fw_pid=$!
fw_win=""
for ((t = 0; t < kWindowWaitTenths; ++t)); do
  fw_win="$(xdotool search --all --onlyvisible --pid "$fw_pid" --name '.' 2>/dev/null | head -1 || true)"
  [ -n "$fw_win" ] && break
  sleep 0.1
done
[ -n "$fw_win" ] || { cat "$work/fw.log"; echo "take-screenshots.sh: no upgrade tool window" >&2; exit 1; }
sleep 1
import -window "$fw_win" "$work/fw.png"
save "$work/fw.png" "fwupgrade.png"
