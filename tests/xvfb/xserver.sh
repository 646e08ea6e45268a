#!/usr/bin/env bash
# Runs a command in a virtual X server of its own (Xvfb) of the given size,
# with DISPLAY set. The server picks a free display number itself, so that
# tests run side by side never meet on one server (xvfb-run -a can hand two
# of them the same number).
# Usage: tests/xvfb/xserver.sh WIDTH HEIGHT COMMAND...
set -euo pipefail
width=$1 height=$2
shift 2
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp -noreset 3>"$number" \
  2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -f "$number"' EXIT
# Xvfb writes the number once it takes connections.
for _ in $(seq 200); do
  [ -s "$number" ] && break
  kill -0 $server 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$number" ]; then
  echo "Xvfb did not start"; exit 1
fi
DISPLAY=:$(tr -d '\n' <"$number") "$@"
