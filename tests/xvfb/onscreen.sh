#!/usr/bin/env bash
# Runs a command in a virtual X server of the given size whose lower part a
# desktop panel takes, as a window manager says through the root window's
# _NET_WORKAREA: windows must keep out of it. (-noreset: the server would
# forget the property when xprop, its only client then, disconnects.)
# Usage: tests/xvfb/onscreen.sh WIDTH HEIGHT PANEL_HEIGHT COMMAND...
set -euo pipefail
width=$1 height=$2 panel=$3
shift 3
exec xvfb-run -a -s "-screen 0 ${width}x${height}x24 -noreset" bash -c '
  xprop -root -format _NET_WORKAREA 32c -set _NET_WORKAREA "0, 0, $1, $(($2 - $3))"
  shift 3
  exec "$@"' _ "$width" "$height" "$panel" "$@"
