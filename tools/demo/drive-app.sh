#!/usr/bin/env bash
# drive-app.sh: works the programmer application as a user would, with real
# mouse and key events (xdotool): picks the demo chip from the chip menu, loads
# the HEX file through the file dialog, runs Download, presses Space for the
# automatic sequence, and with --quit ends the program through its File menu.
#
# usage: drive-app.sh --pid PID --hex FILE [--lang zh|en] [--emu-pid PID --record FILE]
#                     [--shots DIR] [--quit]
# With the emulator's pid and record file it waits for the units' requests;
# without them it waits fixed times. Exit 0 when every step was seen through.
set -euo pipefail

readonly kUnits=4
readonly kWindowWaitS=20
readonly kSearchWaitS=10
readonly kDownloadWaitS=30
readonly kAutoWaitS=60
readonly kExitWaitS=15
readonly kKeyDelayMs=60
# The chip button, relative to the main window's top-left corner.
readonly kChipButtonX=60
readonly kChipButtonY=124
# The page tabs "Chip Setting" and "Main Flash", likewise.
readonly kChipPageX=52
readonly kMainFlashPageX=145
readonly kPageTabY=70
# The menu path to CY8C27443: third group, seventh submenu, third chip.
readonly kChipKeys=(Down Down Down Right Down Down Down Down Down Down Right Down Down)
# The last request of a download (RESTX) and of an automatic sequence (security write).
readonly kDownloadDone="8A:"
readonly kAutoDone="93:53"

pid="" hex="" lang=zh emu_pid="" record="" shots="" quit=0
while [ $# -gt 0 ]; do
  case "$1" in
    --pid) pid="$2"; shift ;;
    --hex) hex="$2"; shift ;;
    --lang) lang="$2"; shift ;;
    --emu-pid) emu_pid="$2"; shift ;;
    --record) record="$2"; shift ;;
    --shots) shots="$2"; shift ;;
    --quit) quit=1 ;;
    *) echo "drive-app.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$pid" ] && [ -n "$hex" ] || { echo "drive-app.sh: --pid and --hex are needed" >&2; exit 2; }

step() { echo "drive: $*"; }
# The screen, cut to the main window once it is known (the pop-up menus lie inside it).
shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  local crop=()
  if [ -n "${main:-}" ]; then
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$main" 2>/dev/null)" || true
    [ -n "${WIDTH:-}" ] && crop=(-crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage)
  fi
  import -window root "${crop[@]}" -strip "$shots/$1.png" 2>/dev/null || true
}
fail() {
  echo "drive-app.sh: FAILED: $*" >&2
  shot "failure-$lang"
  exit 1
}
alive() { kill -0 "$pid" 2>/dev/null; }

# Visible windows of the program, one id a line.
windows() { xdotool search --all --onlyvisible --pid "$pid" --name '' 2>/dev/null || true; }
window_named() { xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -1 || true; }

# wait_until SECONDS COMMAND...: polls the command every tenth of a second.
wait_until() {
  local limit=$(( $1 * 10 )); shift
  for ((t = 0; t < limit; ++t)); do
    "$@" && return 0
    alive || return 1
    sleep 0.1
  done
  return 1
}

# Every unit's record holds a request that begins with $1.
units_saw() {
  [ -n "$emu_pid" ] || return 1
  kill -USR1 "$emu_pid" 2>/dev/null || return 1
  sleep 0.2
  [ -f "$record" ] || return 1
  local u
  for ((u = 1; u <= kUnits; ++u)); do
    grep -q "^$u $1" "$record" || return 1
  done
}
wait_units() {
  local seconds=$1 what=$2 text=$3
  if [ -n "$emu_pid" ]; then
    wait_until "$seconds" units_saw "$what" || fail "$text: not all $kUnits units saw $what within ${seconds}s"
  else
    sleep "$seconds"
  fi
}

focus_main() {
  xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
  sleep 0.2
}
keys() { xdotool key --delay "$kKeyDelayMs" "$@"; }

# 1. The main window, and its programmer search at start.
main=""
find_main() { main="$(window_named 'Programmer Wizard')"; [ -n "$main" ]; }
wait_until "$kWindowWaitS" find_main || fail "no main window within ${kWindowWaitS}s"
step "main window $main"
# The programmer search at start: every unit was asked who it is.
wait_units "$kSearchWaitS" "A3" "programmer search"
sleep 0.5
shot "started-$lang"

# 2. The chip, through the chip button's pop-up menu.
step "chip menu"
xdotool mousemove --window "$main" "$kChipButtonX" "$kChipButtonY" click 1
chipform=""
find_chipform() { chipform="$(window_named 'ChipSelForm')"; [ -n "$chipform" ]; }
wait_until 5 find_chipform || fail "a click at ($kChipButtonX,$kChipButtonY) of the main window opened no chip dialog: has the chip button moved?"
chipmenu=""
find_chipmenu() {
  local w
  for w in $(windows); do
    if [ "$w" != "$main" ] && [ "$w" != "$chipform" ]; then chipmenu="$w"; return 0; fi
  done
  return 1
}
wait_until 5 find_chipmenu || fail "the chip dialog popped up no menu"
sleep 0.3
keys "${kChipKeys[@]}"
shot "chipmenu-$lang"
keys Return
chip_closed() { [ -z "$(window_named 'ChipSelForm')" ]; }
wait_until 5 chip_closed || fail "the chip menu did not close after the choice"

# 3. The object file, through the File menu and the file dialog.
step "load $hex"
focus_main
keys alt+f
sleep 0.5
keys l
dialog=""
find_dialog() {
  local w
  for w in $(windows); do
    if [ "$w" != "$main" ]; then dialog="$w"; return 0; fi
  done
  return 1
}
wait_until 5 find_dialog || fail "File > Load Object File opened no file dialog"
sleep 0.5
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 15 "$hex"
sleep 0.3
keys Return
dialog_closed() { ! windows | grep -qx "$dialog"; }
if ! wait_until 2 dialog_closed; then
  keys Return  # the name completer took the first Return
  wait_until 5 dialog_closed || fail "the file dialog did not take the typed path"
fi
sleep 0.5
extra=""
find_extra() { local w; for w in $(windows); do [ "$w" = "$main" ] || { extra="$w"; return 0; }; done; return 1; }
if find_extra; then fail "a window ($(xdotool getwindowname "$extra")) stayed open after loading"; fi
shot "loaded-$lang"
if [ -n "$shots" ]; then
  # A look at the loaded image in the main hex view, then back to the chip page.
  xdotool mousemove --window "$main" "$kMainFlashPageX" "$kPageTabY" click 1
  sleep 0.5
  shot "hexview-$lang"
  xdotool mousemove --window "$main" "$kChipPageX" "$kPageTabY" click 1
  sleep 0.3
fi

# 4. Download to the four units.
step "download"
focus_main
keys ctrl+d
wait_units "$kDownloadWaitS" "$kDownloadDone" "download"
sleep 0.5

# 5. Space: the automatic sequence on every unit.
step "automatic sequence"
focus_main
keys space
wait_units "$kAutoWaitS" "$kAutoDone" "automatic sequence"
sleep 1
shot "programmed-$lang"

# 6. File > Exit.
if [ "$quit" = 1 ]; then
  step "exit"
  focus_main
  keys alt+f
  sleep 0.5
  keys x
  exited() { ! alive; }
  for ((t = 0; t < kExitWaitS * 10; ++t)); do exited && break; sleep 0.1; done
  exited || fail "File > Exit did not end the program within ${kExitWaitS}s"
fi
step "done"
