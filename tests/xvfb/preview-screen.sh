#!/usr/bin/env bash
# Runs the on-screen preview test (test_screen, PreviewOnScreen.*) in a real
# display server:
#   xcb             Xvfb with openbox framing the window, the xcb platform,
#                   the preview's own choice of renderer (its software one,
#                   Mesa's OpenGL being software)
#   xcb-opengl      the same with the preview drawn through Mesa's OpenGL
#   wayland         weston nested in Xvfb, the wayland platform; the test
#                   reads the screen from weston's X window
#   wayland-opengl  the same through OpenGL
# Usage: tests/xvfb/preview-screen.sh MODE TEST_SCREEN_BINARY
set -euo pipefail
mode=$1
binary=$2
filter=--gtest_filter=${TRANSCAST_SCREEN_FILTER:-'PreviewOnScreen.*'}

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
  # Framed and placed by a window manager, as on a desktop.
  "$(dirname "$0")/openbox.sh" 1280 800 0 env QT_QPA_PLATFORM=xcb "$binary" "$filter"
  ;;
wayland | wayland-opengl)
  "$(dirname "$0")/weston.sh" 1200 760 "$binary" "$filter"
  ;;
*)
  echo "usage: $0 xcb|xcb-opengl|wayland|wayland-opengl TEST_SCREEN_BINARY" >&2
  exit 2
  ;;
esac
