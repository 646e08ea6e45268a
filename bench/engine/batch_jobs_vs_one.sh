#!/usr/bin/env bash
# bench: transcast-cli convert --jobs 2 (and --jobs CORES) against --jobs 1
# A batch of 12 clips of 12 s, 720p H.264 with AAC, converted by
# transcast-cli with profile 7 (WMV) and profile 17 (MP3), side by side
# against one at a time, the two run in turn (ABBA). Goal: two at once end
# the batch at least 1.2 times sooner (wall ratio at most 0.83) for the
# same CPU time. With more than two cores, --jobs with every core is
# measured against --jobs 1 too.
# Usage: bench/engine/batch_jobs_vs_one.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-$(default_rounds 2 4)}
cli="$bin_dir/transcast-cli"

mkdir "$work/clips"
ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=d=12:s=1280x720:r=25" \
  -f lavfi -i "sine=f=440:d=12" -ac 2 -c:v libx264 -preset veryfast -c:a aac "$work/clip.mp4"
for n in $(seq -w 1 12); do cp "$work/clip.mp4" "$work/clips/clip$n.mp4"; done

# Each batch starts from an empty output folder, so every run writes the
# same names.
batch() { # PROFILE JOBS
  rm -rf "$work/out"
  "$cli" convert --profile "$1" --jobs "$2" --output "$work/out" "$work/clips"
}

result() { # NAME: the last compare() as rows, wall and CPU
  printf 'bench-result: %s (wall) | %.3f s | %.3f s | %s | %s\n' "$1" \
    "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_wall_a" "$m_wall_b")" \
    "ratio <= 0.83"
  printf 'bench-result: %s (cpu) | %.3f s | %.3f s | %s | %s\n' "$1" \
    "$(ratio "$m_cpu_a" 1000)" "$(ratio "$m_cpu_b" 1000)" "$(ratio "$m_cpu_a" "$m_cpu_b")" \
    "ratio <= 1.05"
}

cores=$(nproc)
for profile in 7 17; do
  compare "$rounds" -- batch "$profile" 2 -- batch "$profile" 1
  echo "profile $profile: --jobs 2 wall $(ratio "$m_wall_a" 1000) s, --jobs 1 wall" \
    "$(ratio "$m_wall_b" 1000) s: $(ratio "$m_wall_b" "$m_wall_a") times sooner"
  result "12 clips of 12 s 720p, profile $profile: --jobs 2 vs --jobs 1"
  if [ "$cores" -gt 2 ]; then
    compare "$rounds" -- batch "$profile" "$cores" -- batch "$profile" 1
    result "12 clips of 12 s 720p, profile $profile: --jobs $cores (every core) vs --jobs 1"
  else
    echo "profile $profile: $cores cores, so --jobs with every core is --jobs 2 above"
  fi
done
