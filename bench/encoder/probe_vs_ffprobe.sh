#!/usr/bin/env bash
# bench: register.dat probe against ffprobe
# Probe start-up and reading: "register.dat -i FILE" against "ffprobe FILE" on
# the same files. Prints per-file medians and the ratio register.dat/ffprobe
# (goal: at most 1.1).
# Usage: bench/encoder/probe_vs_ffprobe.sh [BIN_DIR] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
runs=${2:-$(default_rounds 10 40)}

lavfi() { ffmpeg -v error -nostdin -y "$@"; }
picture="testsrc=d=10:s=640x480:r=25"
tone="sine=f=440:d=10"
lavfi -f lavfi -i "$picture" -f lavfi -i "$tone" -ac 2 -c:v libx264 -pix_fmt yuv420p -c:a aac "$work/h264-aac.mp4"
lavfi -f lavfi -i "$picture" -f lavfi -i "$tone" -ac 2 -c:v mpeg4 -c:a libmp3lame "$work/mpeg4-mp3.avi"
lavfi -f lavfi -i "$picture" -f lavfi -i "$tone" -ac 2 -c:v mpeg2video -c:a mp2 -f vob "$work/mpeg2-ps.mpg"
lavfi -f lavfi -i "$tone" -c:a libmp3lame "$work/audio.mp3"

printf '%-16s %22s %22s %13s\n' "" "register.dat" "ffprobe" "ratio"
printf '%-16s %11s %10s %11s %10s %6s %6s\n' file wall cpu wall cpu wall cpu
sum_wall_a=0 sum_cpu_a=0 sum_wall_b=0 sum_cpu_b=0
for file in "$work"/*.*; do
  compare "$runs" -- "$register" -i "$file" -- ffprobe "$file"
  printf '%-16s %8.1f ms %7.1f ms %8.1f ms %7.1f ms %6s %6s\n' "$(basename "$file")" \
    "$m_wall_a" "$m_cpu_a" "$m_wall_b" "$m_cpu_b" \
    "$(ratio "$m_wall_a" "$m_wall_b")" "$(ratio "$m_cpu_a" "$m_cpu_b")"
  read -r sum_wall_a sum_cpu_a sum_wall_b sum_cpu_b < <(awk -v a="$sum_wall_a" -v b="$sum_cpu_a" \
    -v c="$sum_wall_b" -v d="$sum_cpu_b" -v e="$m_wall_a" -v f="$m_cpu_a" -v g="$m_wall_b" \
    -v h="$m_cpu_b" 'BEGIN { print a + e, b + f, c + g, d + h }')
done
echo "probe ratio register.dat/ffprobe ($runs runs per file and side):" \
  "wall $(ratio "$sum_wall_a" "$sum_wall_b"), cpu $(ratio "$sum_cpu_a" "$sum_cpu_b")"
m_wall_a=$sum_wall_a m_cpu_a=$sum_cpu_a m_wall_b=$sum_wall_b m_cpu_b=$sum_cpu_b
bench_results "probe 4 files: register.dat vs ffprobe" "ratio <= 1.1"
