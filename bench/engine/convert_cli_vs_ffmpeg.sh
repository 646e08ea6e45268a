#!/usr/bin/env bash
# bench: transcast-cli conversion against ffmpeg
# transcast-cli converting a 60 s 640x480 clip with profile 122 (MP4 - H.264
# Video Normal), against the same ffmpeg command run directly: the command
# is the one `convert --dry-run` prints, with -b and -ab spelt -b:v and -b:a
# as register.dat passes them on. Prints the medians and the ratio
# transcast-cli/ffmpeg (goal: at most 1.02).
# Usage: bench/engine/convert_cli_vs_ffmpeg.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-$(default_rounds 2 6)}
cli="$bin_dir/transcast-cli"

ffmpeg -v error -nostdin -y -f lavfi -i "testsrc=d=60:s=640x480:r=25" \
  -f lavfi -i "sine=f=440:d=60" -ac 2 -c:v mpeg4 -q:v 3 -c:a libmp3lame "$work/source.avi"

# No path here holds a blank, so the printed line splits into its words.
line=$("$cli" convert --profile 122 --output "$work/out" --dry-run "$work/source.avi")
read -ra words <<<"$line"
explained_ffmpeg direct "" "$work/direct.mp4" "${words[@]:1}"
echo "transcast-cli: $line"
echo "ffmpeg:        ${direct[*]}"

# Each run starts from an empty output folder, so every run writes
# source.mp4 rather than source_1.mp4, source_2.mp4 ...
cli_convert() {
  rm -rf "$work/out"
  "$cli" convert --profile 122 --output "$work/out" "$work/source.avi"
}

compare "$rounds" -- cli_convert -- "${direct[@]}"
printf 'transcast-cli wall %7.2f s cpu %7.2f s; ffmpeg wall %7.2f s cpu %7.2f s (medians of %d)\n' \
  "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_cpu_a" 1000)" \
  "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_cpu_b" 1000)" "$rounds"
echo "conversion ratio transcast-cli/ffmpeg: wall $(ratio "$m_wall_a" "$m_wall_b")," \
  "cpu $(ratio "$m_cpu_a" "$m_cpu_b")"
bench_results "convert 60 s clip: transcast-cli vs ffmpeg" "ratio <= 1.02"
