#!/usr/bin/env bash
# Starts a program, lets it run for a moment, asks it to close with SIGTERM,
# and passes only when it was still running and then exited with status 0.
set -u
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/"   # the program writes its Log folder beside itself
"$work/$(basename "$exe")" &
pid=$!
# A sanitizer build starts several times slower: it may ask for a longer wait.
sleep "${TELVIC_SMOKE_START_SECONDS:-2}"
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"; echo "program ended early with status $?"; exit 1
fi
kill -TERM "$pid"
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "program did not exit within 10 s of SIGTERM"; kill -KILL "$pid"; exit 1
fi
wait "$pid"; rc=$?
echo "exit status $rc"
exit $rc
