#!/usr/bin/env bash
# Runs the on-screen preview test (test_screen, PreviewOnScreen.*) in a real
# display server:
#   xcb             Xvfb with the xcb platform, the preview's own choice of
#                   renderer (its software one, Mesa's OpenGL being software)
#   xcb-opengl      the same with the preview drawn through Mesa's OpenGL
#   wayland         weston nested in Xvfb, the wayland platform; the test
#                   reads the screen from weston's X window
#   wayland-opengl  the same through OpenGL
# Usage: tests/xvfb/preview-screen.sh MODE TEST_SCREEN_BINARY
set -euo pipefail
mode=$1
binary=$2
filter=--gtest_filter=${TRANSCAST_SCREEN_FILTER:-'PreviewOnScreen.*'}
screen="-screen 0 1280x800x24"

renderer=""
case $mode in
*-opengl) renderer=opengl ;;
esac
export TRANSCAST_PREVIEW_RENDERER=$renderer LIBGL_ALWAYS_SOFTWARE=1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime

case $mode in
xcb | xcb-opengl)
  xvfb-run -a -s "$screen" env QT_QPA_PLATFORM=xcb "$binary" "$filter"
  ;;
wayland | wayland-opengl)
  xvfb-run -a -s "$screen" bash -c '
    binary=$1 filter=$2
    log=$XDG_RUNTIME_DIR/weston.log
    weston --backend=x11-backend.so --socket=transcast-test --width=1200 --height=760 \
      --idle-time=0 >"$log" 2>&1 &
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
      QT_QPA_PLATFORM=wayland "$binary" "$filter"' _ "$binary" "$filter"
  ;;
*)
  echo "usage: $0 xcb|xcb-opengl|wayland|wayland-opengl TEST_SCREEN_BINARY" >&2
  exit 2
  ;;
esac
