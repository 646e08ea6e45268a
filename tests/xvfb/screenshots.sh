#!/usr/bin/env bash
# Takes the README's pictures afresh under Xvfb, into a temporary folder, and
# checks each: the window's size at its scale, and a drawn window rather than
# a blank or half-painted screen.
# Usage: tests/xvfb/screenshots.sh SOURCE_DIR
set -euo pipefail
root=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$root/scripts/screenshot" "$out" >/dev/null

status=0
check() {
  local name=$1 size=$2
  local file="$out/$name.png"
  local got colours
  got=$(identify -format '%wx%h' "$file")
  colours=$(identify -format '%k' "$file")
  if [ "$got" != "$size" ]; then
    echo "FAIL $name: $got, expected $size"; status=1
  elif [ "$colours" -lt 40 ]; then
    echo "FAIL $name: only $colours colours, the window was not drawn"; status=1
  else
    echo "ok   $name: $got, $colours colours"
  fi
}
check screenshot 760x530
check screenshot-wide 1000x620
check screenshot-2x 1520x1060
check screenshot-dvd 760x530
exit $status
