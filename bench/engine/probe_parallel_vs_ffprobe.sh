#!/usr/bin/env bash
# bench: transcast-cli listing on every core against an ffprobe loop
# transcast-cli listing a folder of 200 small clips three ways: one serving
# register.dat per core (the default), one register.dat started per file on
# every core (TRANSCAST_PROBE_SERVER=0), and one register.dat per file, one at
# a time (as before both), each against a plain shell loop of ffprobe over
# the same files. Prints the medians and the ratios transcast-cli/ffprobe
# (goal for the default: at most 0.3 on a 2-core machine).
# Usage: bench/engine/probe_parallel_vs_ffprobe.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-$(default_rounds 2 6)}
source "$(dirname "$0")/probe_clips.sh"
per_file() {
  TRANSCAST_PROBE_SERVER=0 "$cli" probe --profile 122 "$work/clips"
}
one_at_a_time() {
  TRANSCAST_PROBE_SERVER=0 TRANSCAST_PROBES=1 "$cli" probe --profile 122 "$work/clips"
}

rows=$("$cli" probe --profile 122 "$work/clips" | grep -c $'\t00:00:01\t')
echo "transcast-cli lists $rows of $count files with $(nproc) cores"
for side in per_core per_file one_at_a_time; do
  if [ "$side" = per_core ]; then
    compare "$rounds" -- "$cli" probe --profile 122 "$work/clips" -- ffprobe_loop
  else
    compare "$rounds" -- "$side" -- ffprobe_loop
  fi
  printf '%-14s transcast-cli wall %7.2f s cpu %7.2f s; ffprobe loop wall %7.2f s cpu %7.2f s\n' \
    "$side" "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_cpu_a" 1000)" \
    "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_cpu_b" 1000)"
  echo "$side probe ratio transcast-cli/ffprobe ($count files): wall" \
    "$(ratio "$m_wall_a" "$m_wall_b"), cpu $(ratio "$m_cpu_a" "$m_cpu_b")"
  if [ "$side" = per_core ]; then
    # The goal is the wall time: the CPU time spent stays that of the probes.
    printf 'bench-result: list %s files on %s cores vs ffprobe loop (wall) | %.3f s | %.3f s | %s | %s\n' \
      "$count" "$(nproc)" "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_wall_b" 1000)" \
      "$(ratio "$m_wall_a" "$m_wall_b")" "ratio <= 0.3"
  fi
done
