#!/usr/bin/env bash
# bench: adding 1000 files with the job list kept on disk vs not kept
# Usage: bench/ui/keep_list.sh [BIN_DIR] [ROUNDS] [FILES]
#
# Runs build/bench/bench_keep_list (the real window offscreen, the real
# register.dat probing) on a folder of FILES small clips (default 1000),
# with the job list kept on disk as the window keeps it, and with keeping
# switched off, in turn (ABBA order), and prints the medians of the add's
# wall time and of the window process's own CPU time during the add (the
# probes run in register.dat; what keeping the list costs is spent in the
# window). Goal: the add takes at most 1.05 times as long. On a busy
# machine the difference drowns in the probes' noise, so the program also
# times the keeping's own work apart, as the most it can be: on the window's
# thread every row encoded twice and a full-size join for each write made,
# on the writer's thread a full-size file replaced (and synced) for each.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$root/build/bin}
rounds=${2:-8}
files=${3:-1000}
[ -z "${2:-}" ] && [ -n "${BENCH_QUICK:-}" ] && rounds=2
bench=$bin/../bench/bench_keep_list
[ -x "$bench" ] || { echo "no $bench: build first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/clips"
ffmpeg -v error -nostdin -y -f lavfi -i testsrc=d=1:s=160x120:r=25 -f lavfi -i sine=d=1 \
  -c:v mpeg4 -c:a libmp3lame -shortest "$work/clip.avi"
for i in $(seq -w 1 "$files"); do cp "$work/clip.avi" "$work/clips/clip$i.avi"; done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

run() { # on|off
  QT_QPA_PLATFORM=offscreen "$bench" "$work/clips" "$1" >"$work/out" 2>/dev/null
  grep -q "^rows=$files\$" "$work/out" || { echo "the $1 run listed $(sed -n 's/^rows=//p' "$work/out") rows" >&2; exit 1; }
  sed -n 's/^add-ms=//p' "$work/out" >>"$work/wall-$1"
  sed -n 's/^self-cpu-ms=//p' "$work/out" >>"$work/cpu-$1"
  sed -n 's/^writes=//p' "$work/out" >>"$work/writes-$1"
  sed -n 's/^list-bytes=//p' "$work/out" >>"$work/bytes-$1"
  sed -n 's/^window-thread-at-most-ms=//p' "$work/out" >>"$work/apart-$1"
  sed -n 's/^writer-thread-at-most-ms=//p' "$work/out" >>"$work/disk-$1"
}

for ((i = 0; i < rounds; i++)); do
  if ((i % 2 == 0)); then run on; run off; else run off; run on; fi
done

wall_on=$(median <"$work/wall-on") wall_off=$(median <"$work/wall-off")
cpu_on=$(median <"$work/cpu-on") cpu_off=$(median <"$work/cpu-off")
echo "medians of $rounds rounds, $files files: add ${wall_on} ms kept, ${wall_off} ms not kept;"
echo "window CPU ${cpu_on} ms kept, ${cpu_off} ms not kept;" \
  "list written $(median <"$work/writes-on") times, $(median <"$work/bytes-on") bytes at the end"
apart=$(median <"$work/apart-on")
disk=$(median <"$work/disk-on")
echo "the keeping's own work, timed apart: at most ${apart} ms on the window's thread," \
  "${disk} ms on the writer's"
echo "wall per round (kept):     $(tr '\n' ' ' <"$work/wall-on")"
echo "wall per round (not kept): $(tr '\n' ' ' <"$work/wall-off")"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "add $files files, job list kept on disk vs not (wall)" "$wall_on ms" "$wall_off ms" \
  "$(ratio "$wall_on" "$wall_off")" "ratio <= 1.05"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "add $files files, job list kept on disk vs not (window cpu)" "$cpu_on ms" "$cpu_off ms" \
  "$(ratio "$cpu_on" "$cpu_off")" "-"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "add $files files: the keeping's work on the window's thread, timed apart" "$apart ms" \
  "$wall_off ms" "$(awk -v a="$apart" -v b="$wall_off" 'BEGIN { printf "%.3f", 1 + a / b }')" \
  "ratio <= 1.05"
