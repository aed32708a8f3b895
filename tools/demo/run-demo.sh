#!/usr/bin/env bash
# run-demo.sh: four emulated programmer units shown to the unmodified programmer
# application as FTDI USB serial ports ttyUSB90..ttyUSB93, in a private mount
# namespace, so nothing changes on the host; then the application is started.
#
# usage: tools/demo/run-demo.sh [--en] [--build DIR] [--app-dir DIR]
#                               [--record FILE] [--dump PREFIX] [--drive] [--quit]
#                               [--shots DIR] [--demo-dir DIR]
#   --en        the English build (Telvic200CyEn)
#   --build     the build folder (default: build); missing programs are built
#   --app-dir   copy the program into DIR and run it there (its Log folder is DIR/Log)
#   --record    where the units write the requests they received, at the end
#   --dump      the units write their chip's flash to PREFIX1.bin .. PREFIX4.bin
#   --drive     choose the chip, load the demo HEX file, Download, Space, as a user
#               would (xdotool); --quit also ends the program through its File menu
#   --shots     with --drive: screenshots of the steps (and of a failure) go to DIR
#   --demo-dir  the program loads the demo object file from DIR (under /home, /mnt or
#               /srv), so pictures show no build folder: in the namespace a tmpfs over
#               that top folder holds it; refused when the checkout or a folder named
#               here lies below that top folder
# Exit code 77: the namespace or its mounts are not allowed here (nothing was started).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
readonly kSkip=77
readonly kUnits=4
readonly kPortBase=90
readonly kReadyWaitTenths=100

lang=zh build="$repo/build" appdir="" record="" dump="" shots="" demodir="" drive=0 quit=0 inner=0
while [ $# -gt 0 ]; do
  case "$1" in
    --en) lang=en ;;
    --build) build="$(realpath -m "$2")"; shift ;;
    --app-dir) appdir="$(realpath -m "$2")"; shift ;;
    --record) record="$(realpath -m "$2")"; shift ;;
    --dump) dump="$(realpath -m "$2")"; shift ;;
    --shots) shots="$(realpath -m "$2")"; shift ;;
    --demo-dir) demodir="$(realpath -m "$2")"; shift ;;
    --drive) drive=1 ;;
    --quit) quit=1 ;;
    --inner) inner=1 ;;
    *) echo "run-demo.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
program=Telvic200Cy
[ "$lang" = en ] && program=Telvic200CyEn
hexfile="$build/demo/CY8C27443-demo.hex"
demotop=""
[ -n "$demodir" ] && demotop="/$(echo "$demodir" | cut -d/ -f2)"

# ---------------------------------------------------------------- outside the namespace
if [ "$inner" = 0 ]; then
  missing=0
  [ -x "$build/app/$program" ] && [ -x "$build/tools/demo/emuserve" ] || missing=1
  if [ "$missing" = 1 ] || { [ "$drive" = 1 ] && ! command -v xdotool >/dev/null; }; then
    . "$repo/tools/deps.sh"
    telvic_install_deps
  fi
  if [ "$missing" = 1 ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DBUILD_TESTING=OFF -DTELVIC_BUILD_BENCH=OFF
    cmake --build "$build" --target "$program" telvic_demo_emuserve
  fi
  mkdir -p "$build/demo"
  python3 "$here/make-demo-hex.py" "$hexfile" --bin "$build/demo/CY8C27443-demo.bin"
  if [ -n "$appdir" ]; then
    mkdir -p "$appdir"
    cp "$build/app/$program" "$appdir/$program"
  fi
  [ -n "${DISPLAY:-}" ] || { echo "run-demo.sh: no DISPLAY to show the window on" >&2; exit 2; }
  if [ -n "$demodir" ]; then
    case "$demotop" in /home|/mnt|/srv) ;; *) echo "run-demo.sh: --demo-dir must lie under /home, /mnt or /srv" >&2; exit 2 ;; esac
    for p in "$repo" "$build" "$appdir" "$record" "$dump" "$shots"; do
      case "$p/" in "$demotop"/*)
        echo "run-demo.sh: $p lies under $demotop, which the tmpfs for --demo-dir would hide" >&2; exit 2 ;;
      esac
    done
  fi
  echo "Demo object file: $hexfile (chip CY8C27443)"
  if [ "$drive" = 0 ]; then
    echo "In the window: 选择芯片 / Select Chip > Cy8C21xxxx-29xxxx > CY8C27xxx > CY8C27443;"
    echo "File > Load Object File > the file above; Download (Ctrl+D); then Space for the automatic sequence."
  fi

  args=(--inner --build "$build")
  [ "$lang" = en ] && args+=(--en)
  [ -n "$appdir" ] && args+=(--app-dir "$appdir")
  [ -n "$record" ] && args+=(--record "$record")
  [ -n "$dump" ] && args+=(--dump "$dump")
  [ -n "$shots" ] && args+=(--shots "$shots")
  [ -n "$demodir" ] && args+=(--demo-dir "$demodir")
  [ "$drive" = 1 ] && args+=(--drive)
  [ "$quit" = 1 ] && args+=(--quit)
  # A user namespace where the kernel allows it; plain root otherwise.
  if unshare -rm true 2>/dev/null; then
    exec unshare -rm --propagation private bash "$0" "${args[@]}"
  elif [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
    exec unshare -m --propagation private bash "$0" "${args[@]}"
  fi
  echo "run-demo.sh: SKIP: cannot make a private mount namespace here (unshare -rm and unshare -m refused; user namespaces off and not root?)" >&2
  exit $kSkip
fi

# ---------------------------------------------------------------- inside the namespace
stage="$(mktemp -d /tmp/telvic-demo.XXXXXX)"
emu_pid=""
cleanup() {
  if [ -n "$emu_pid" ]; then kill -TERM "$emu_pid" 2>/dev/null || true; wait "$emu_pid" 2>/dev/null || true; fi
  umount -l "$stage/dev" 2>/dev/null || true
  # Never into the bound /dev, should it still be there: stay on /tmp's file system.
  rm -rf --one-file-system "$stage"
}
trap cleanup EXIT

fail_mount() {
  echo "run-demo.sh: SKIP: $1 is not allowed in this namespace" >&2
  exit $kSkip
}

# 1. The units first: each master is open before the application looks for ports.
#    Driving the program needs their record, to wait for their requests.
[ "$drive" = 1 ] && [ -z "$record" ] && record="$stage/record"
emu_args=(--units $kUnits)
[ -n "$record" ] && emu_args+=(--record "$record")
[ -n "$dump" ] && emu_args+=(--dump "$dump")
"$build/tools/demo/emuserve" "${emu_args[@]}" >"$stage/ports" &
emu_pid=$!
for ((t = 0; t < kReadyWaitTenths; ++t)); do
  grep -qx ready "$stage/ports" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$stage/ports" || { echo "run-demo.sh: the emulator did not start" >&2; exit 1; }
mapfile -t ptys < <(grep -v '^ready$' "$stage/ports")

# 2. A private /dev: the real terminals, pseudo-terminals and a few devices bound
#    back, plus the ttyUSB9x links (links in the real /dev would show on the host).
mkdir "$stage/dev"
mount --rbind /dev "$stage/dev" || fail_mount "binding /dev"
mount -t tmpfs -o mode=755 telvic-dev /dev || fail_mount "a tmpfs over /dev"
for d in pts shm; do
  mkdir "/dev/$d"
  mount --rbind "$stage/dev/$d" "/dev/$d" || fail_mount "binding /dev/$d"
done
for f in null zero urandom random tty; do
  [ -e "$stage/dev/$f" ] || continue
  touch "/dev/$f"
  mount --bind "$stage/dev/$f" "/dev/$f" || fail_mount "binding /dev/$f"
done
if [ -L "$stage/dev/ptmx" ]; then
  ln -s "$(readlink "$stage/dev/ptmx")" /dev/ptmx
else
  touch /dev/ptmx
  mount --bind "$stage/dev/ptmx" /dev/ptmx || fail_mount "binding /dev/ptmx"
fi
umount -l "$stage/dev" || true

# 3. A private tty class folder: each port's device/driver link ends in ftdi_sio.
mount -t tmpfs -o mode=755 telvic-tty /sys/class/tty || fail_mount "a tmpfs over /sys/class/tty"
for ((i = 0; i < kUnits; ++i)); do
  name="ttyUSB$((kPortBase + i))"
  mkdir -p "/sys/class/tty/$name/device"
  ln -s "../../../../bus/usb-serial/drivers/ftdi_sio" "/sys/class/tty/$name/device/driver"
  ln -s "${ptys[$i]}" "/dev/$name"
  echo "  unit $((i + 1)): /dev/$name -> ${ptys[$i]}"
done

# 4. The demo object file in its neutral folder, on a tmpfs over the folder's top.
if [ -n "$demodir" ]; then
  cp "$hexfile" "$stage/"
  mount -t tmpfs -o mode=755 telvic-demo "$demotop" || fail_mount "a tmpfs over $demotop"
  mkdir -p "$demodir"
  cp "$stage/$(basename "$hexfile")" "$demodir/"
  hexfile="$demodir/$(basename "$hexfile")"
fi

# 5. The application, unmodified, from its build folder or its private copy.
app="$build/app/$program"
[ -n "$appdir" ] && app="$appdir/$program"
if [ "$drive" = 0 ]; then
  "$app" || true
else
  # Driven through X: an X window (also on a Wayland desktop) and Qt's own file dialog.
  export QT_QPA_PLATFORM=xcb
  unset QT_QPA_PLATFORMTHEME
  "$app" &
  app_pid=$!
  drive_args=(--pid "$app_pid" --hex "$hexfile" --lang "$lang" --emu-pid "$emu_pid" --record "$record")
  [ -n "$shots" ] && drive_args+=(--shots "$shots")
  [ "$quit" = 1 ] && drive_args+=(--quit)
  rc=0
  bash "$here/drive-app.sh" "${drive_args[@]}" || rc=$?
  if [ "$rc" -ne 0 ]; then kill -TERM "$app_pid" 2>/dev/null || true; fi
  app_rc=0
  wait "$app_pid" || app_rc=$?
  # Ended through its own menu, the program owes a clean exit status.
  if [ "$rc" -eq 0 ] && [ "$quit" = 1 ] && [ "$app_rc" -ne 0 ]; then
    echo "run-demo.sh: the program exited with status $app_rc after File > Exit" >&2
    rc=1
  fi
  exit "$rc"
fi
