#!/usr/bin/env bash
# Runs a Qt program in a Wayland compositor (weston with its desktop shell and
# panel) whose output of the given size is a window of a virtual X server.
# The program runs with the wayland platform and finds in
# TRANSCAST_TEST_SCREENSHOT a command that prints the output as a PNG.
# Usage: tests/xvfb/weston.sh WIDTH HEIGHT COMMAND...
set -euo pipefail
width=$1 height=$2
shift 2
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
# weston's defaults, not the configuration of whoever runs the tests.
printf '[core]\nidle-time=0\n' >"$runtime/weston.ini"
"$(dirname "$0")/xserver.sh" $((width + 64)) $((height + 64)) bash -c '
  width=$1 height=$2
  shift 2
  log=$XDG_RUNTIME_DIR/weston.log
  weston --config="$XDG_RUNTIME_DIR/weston.ini" --backend=x11-backend.so \
    --socket=transcast-test --width="$width" --height="$height" >"$log" 2>&1 &
  weston=$!
  trap "kill $weston 2>/dev/null; wait $weston 2>/dev/null" EXIT
  for _ in $(seq 300); do
    grep -q "window id" "$log" && [ -S "$XDG_RUNTIME_DIR/transcast-test" ] && break
    sleep 0.1
  done
  id=$(sed -n "s/.*window id \([0-9]*\).*/\1/p" "$log" | head -1)
  if [ -z "$id" ]; then
    echo "weston did not start:"; cat "$log"; exit 1
  fi
  TRANSCAST_TEST_SCREENSHOT="import -window $id png:-" WAYLAND_DISPLAY=transcast-test \
    QT_QPA_PLATFORM=wayland "$@"' _ "$width" "$height" "$@"
