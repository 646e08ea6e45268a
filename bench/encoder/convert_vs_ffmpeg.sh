#!/usr/bin/env bash
# bench: register.dat conversion against ffmpeg
# A 60 s 640x480 conversion as the app writes it, through register.dat and as
# the same ffmpeg command run directly (register.dat --explain). Prints the medians and the ratio
# register.dat/ffmpeg (goal: at most 1.02).
# Usage: bench/encoder/convert_vs_ffmpeg.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
rounds=${2:-$(default_rounds 2 6)}

ffmpeg -v error -nostdin -y -f lavfi -i "testsrc=d=60:s=640x480:r=25" \
  -f lavfi -i "sine=f=440:d=60" -ac 2 -c:v mpeg4 -q:v 3 -c:a libmp3lame "$work/source.avi"

# The app's spelling, and the ffmpeg command register.dat makes of it.
app=(-r 25 -b 1172000 -ab 128000 -ac 2 -aspect 1,3333 -s 640x480 -ar 44100
     -vcodec mpeg4 -acodec aac)
explained_ffmpeg direct "" "$work/direct.mp4" -y -i "$work/source.avi" "${app[@]}" "$work/ours.mp4"
echo "ffmpeg: ${direct[*]}"

compare "$rounds" -- anew "$work/ours.mp4" "$register" -y -i "$work/source.avi" "${app[@]}" "$work/ours.mp4" \
  -- "${direct[@]}"
printf 'register.dat wall %7.2f s cpu %7.2f s; ffmpeg wall %7.2f s cpu %7.2f s (medians of %d)\n' \
  "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_cpu_a" 1000)" \
  "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_cpu_b" 1000)" "$rounds"
echo "conversion ratio register.dat/ffmpeg: wall $(ratio "$m_wall_a" "$m_wall_b")," \
  "cpu $(ratio "$m_cpu_a" "$m_cpu_b")"
bench_results "convert 60 s clip: register.dat vs ffmpeg" "ratio <= 1.02"
