#!/usr/bin/env bash
# bench: still picture of a portrait phone video: transcast-still vs ffmpeg taking the same first frame
# Usage: bench/preview/still.sh [BIN_DIR] [ROUNDS]
#
# The still of the selected row is taken by transcast-still, a program of its
# own started for each picture (so a source that crashes the video library
# costs only its picture). Baseline: ffmpeg run directly for the same job on
# the same file, the first frame turned upright (its autorotate), fitted into
# 1280x1280 and written as BGRA to a pipe. The source: a 1920x1080 H.264
# clip stored turned as a phone stores portrait video. Wall and CPU time are
# medians over ROUNDS runs of each side, alternating.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/bench/encoder/common.sh" "${1:-$root/build/bin}"
rounds=${2:-$(default_rounds 6 30)}
still=$bin_dir/transcast-still
[ -x "$still" ] || { echo "no $still: build first" >&2; exit 1; }

ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=d=5:s=1920x1080:r=30" -c:v libx264 \
  -preset veryfast "$work/stored.mp4"
ffmpeg -v error -nostdin -y -i "$work/stored.mp4" -c copy -metadata:s:v:0 rotate=90 \
  "$work/portrait.mp4"

compare "$rounds" -- "$still" 1280 1280 "$work/portrait.mp4" -- \
  ffmpeg -v error -nostdin -i "$work/portrait.mp4" -frames:v 1 \
  -vf "scale=1280:1280:force_original_aspect_ratio=decrease" -f rawvideo -pix_fmt bgra -
bench_results "still picture of a portrait 1080p video vs ffmpeg's first frame" "ratio <= 1.5"
