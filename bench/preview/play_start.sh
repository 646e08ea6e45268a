#!/usr/bin/env bash
# bench: preview start (play pressed to first position) vs bare mpv --vo=null; event-loop lateness while playing
# Usage: bench/preview/play_start.sh [BIN_DIR] [ROUNDS]
#
# Ours: the window (offscreen, no picture, no sound) from dispatching "play"
# to the first position report reaching the preview, which includes making a
# libmpv instance for the preview as every preview does. Baseline: a bare
# `mpv --no-config --vo=null --ao=null` started on the same file, from launch
# to its first positive time-pos (a one-line Lua script prints it and quits).
# Rounds alternate the two. The second figure is how late a 10 ms timer of
# the window fires while the preview plays, against the same window idling.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$root/build/bin}
rounds=${2:-9}
[ -n "${BENCH_QUICK:-}" ] && rounds=3
bench=$bin/../bench/bench_preview
command -v mpv >/dev/null || { echo "mpv is not installed (scripts/install-deps)" >&2; exit 1; }
[ -x "$bench" ] || { echo "no $bench: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clip=$work/clip.mp4
ffmpeg -v error -nostdin -y -f lavfi -i testsrc2=d=10:s=1280x720:r=25 -f lavfi \
  -i sine=f=440:d=10 -c:v libx264 -preset veryfast -c:a aac -ac 2 "$clip"
cat >"$work/first.lua" <<'LUA'
mp.observe_property("time-pos", "number", function(_, v)
  if v and v > 0 then io.stdout:write("FIRST\n"); io.stdout:flush(); mp.command("quit") end
end)
LUA

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for _ in $(seq "$rounds"); do
  QT_QPA_PLATFORM=offscreen "$bench" "$clip" 3 >"$work/ours.out" 2>/dev/null
  sed -n 's/^first-report-ms=//p' "$work/ours.out" >>"$work/ours"
  sed -n 's/^lateness-playing-p95-ms=//p' "$work/ours.out" >>"$work/late-playing"
  sed -n 's/^lateness-playing-max-ms=//p' "$work/ours.out" >>"$work/late-playing-max"
  sed -n 's/^lateness-idle-p95-ms=//p' "$work/ours.out" >>"$work/late-idle"

  start=$(date +%s%N)
  # mpv quits itself after the first report; grep may close the pipe first.
  { mpv --no-config --vo=null --ao=null --script="$work/first.lua" "$clip" 2>/dev/null || true; } |
    grep -m1 -q FIRST || true
  end=$(date +%s%N)
  awk -v s="$start" -v e="$end" 'BEGIN{printf "%.1f\n", (e-s)/1e6}' >>"$work/mpv"
done

ours=$(median <"$work/ours")
base=$(median <"$work/mpv")
late=$(median <"$work/late-playing")
late_max=$(median <"$work/late-playing-max")
idle=$(median <"$work/late-idle")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b > 0) printf "%.2f", a/b; else print "-" }'; }
echo "medians of $rounds rounds: play to first report ${ours} ms (bare mpv start ${base} ms);"
echo "10 ms timer lateness p95 while playing ${late} ms (max ${late_max} ms), idle ${idle} ms"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "preview: play pressed to first position vs bare mpv --vo=null start" "$ours ms" "$base ms" \
  "$(ratio "$ours" "$base")" "ratio <= 1"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "preview: 10 ms timer lateness p95, playing vs idle window" "$late ms" "$idle ms" \
  "$(ratio "$late" "$idle")" "ours <= 20"
