#!/usr/bin/env bash
# Runs a command in a virtual X server of the given size with a window
# manager (openbox) that frames every window with a title bar and keeps the
# lower PANEL_HEIGHT pixels free for a desktop panel, which it says through
# the root window's _NET_WORKAREA. The command starts once the window manager
# is ready.
# Usage: tests/xvfb/openbox.sh WIDTH HEIGHT PANEL_HEIGHT COMMAND...
set -euo pipefail
width=$1 height=$2 panel=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Openbox's own defaults for everything else; no menu to load.
cat >"$work/rc.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>0</top><bottom>$panel</bottom><left>0</left><right>0</right></margins>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <focus><focusNew>yes</focusNew></focus>
  <menu><file>$work/menu.xml</file></menu>
</openbox_config>
EOF
echo '<openbox_menu xmlns="http://openbox.org/3.4/menu"/>' >"$work/menu.xml"
"$(dirname "$0")/xserver.sh" "$width" "$height" bash -c '
  config=$1 free="0, 0, $2, $(($3 - $4))"
  shift 4
  openbox --config-file "$config" >"${config%/*}/openbox.log" 2>&1 &
  wm=$!
  trap "kill $wm 2>/dev/null; wait $wm 2>/dev/null" EXIT
  # Ready once it has said where windows may go.
  for _ in $(seq 200); do
    xprop -root _NET_WORKAREA 2>/dev/null | grep -q "= $free" && break
    sleep 0.05
  done
  if ! xprop -root _NET_WORKAREA | grep -q "= $free"; then
    echo "openbox did not start:"; cat "${config%/*}/openbox.log"; exit 1
  fi
  "$@"' _ "$work/rc.xml" "$width" "$height" "$panel" "$@"
