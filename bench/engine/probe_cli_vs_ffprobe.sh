#!/usr/bin/env bash
# bench: transcast-cli listing a folder against an ffprobe loop
# transcast-cli probing a folder of 200 small clips (one run: the listing,
# the probes on every core, the estimates) against a plain shell loop
# of ffprobe over the same files. Prints the medians and the ratio
# transcast-cli/ffprobe (goal: at most 1.2).
# Usage: bench/engine/probe_cli_vs_ffprobe.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-$(default_rounds 2 6)}
source "$(dirname "$0")/probe_clips.sh"

rows=$("$cli" probe --profile 122 "$work/clips" | grep -c $'\t00:00:01\t')
echo "transcast-cli lists $rows of $count files"
compare "$rounds" -- "$cli" probe --profile 122 "$work/clips" -- ffprobe_loop
printf 'transcast-cli wall %7.2f s cpu %7.2f s; ffprobe loop wall %7.2f s cpu %7.2f s (medians of %d)\n' \
  "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_cpu_a" 1000)" \
  "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_cpu_b" 1000)" "$rounds"
echo "probe ratio transcast-cli/ffprobe ($count files): wall $(ratio "$m_wall_a" "$m_wall_b")," \
  "cpu $(ratio "$m_cpu_a" "$m_cpu_b")"
bench_results "list $count files: transcast-cli probe vs ffprobe loop" "ratio <= 1.2"
