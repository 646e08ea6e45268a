#!/usr/bin/env bash
# bench: transcast-cli dvd listing a disc against lsdvd reading the same disc
# Lists an authored three-title-set disc (folder and .iso image) with
# `transcast-cli dvd` (the whole program: start-up, profile, the title
# search, the IFO library, the estimates) and with `lsdvd -x` (every title,
# chapter, cell and stream), and prints the medians and the ratios
# transcast-cli/lsdvd. Goal: at most 1.5. A third, informative figure
# takes the program's bare start (`transcast-cli --version`: loading Qt Core
# and creating the application object, which `dvd` skips) off our side,
# leaving what the listing itself costs against the whole lsdvd. Loading Qt
# Core alone costs about twice lsdvd's whole run, so the goal is out of reach
# of any program linking it.
# Usage: bench/dvd/list_vs_lsdvd.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-20}
if [ "${BENCH_QUICK:-0}" = 1 ]; then
  rounds=6
fi
cli="$bin_dir/transcast-cli"
root=$(cd "$(dirname "$0")/../.." && pwd)

# The tests' discs, authored once into the build tree and reused.
discs="$bin_dir/../tests/discs"
"$root/tests/support/make-test-discs" "$discs" >/dev/null

for source in disc disc.iso; do
  target="$discs/$source"
  rows=$("$cli" dvd "$target" | grep -c $'\tReady$')
  titles=$(lsdvd "$target" 2>/dev/null | grep -c '^Title:')
  echo "$source: transcast-cli lists $rows rows, lsdvd $titles titles"
  compare "$rounds" -- "$cli" dvd "$target" -- lsdvd -x "$target"
  printf '%s: transcast-cli wall %.1f ms cpu %.1f ms; lsdvd -x wall %.1f ms cpu %.1f ms (medians of %d)\n' \
    "$source" "$m_wall_a" "$m_cpu_a" "$m_wall_b" "$m_cpu_b" "$rounds"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "dvd listing of $source: transcast-cli dvd vs lsdvd -x (wall)" \
    "$m_wall_a ms" "$m_wall_b ms" "$(ratio "$m_wall_a" "$m_wall_b")" "ratio <= 1.5"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "dvd listing of $source: transcast-cli dvd vs lsdvd -x (cpu)" \
    "$m_cpu_a ms" "$m_cpu_b ms" "$(ratio "$m_cpu_a" "$m_cpu_b")" "-"
done

compare "$rounds" -- "$cli" dvd "$discs/disc" -- "$cli" --version
listing_cpu=$(awk -v a="$m_cpu_a" -v b="$m_cpu_b" 'BEGIN { printf "%.1f", a - b }')
echo "transcast-cli --version alone: wall $m_wall_b ms cpu $m_cpu_b ms (medians of $rounds)"
compare "$rounds" -- lsdvd -x "$discs/disc" -- true
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "dvd listing of disc beyond program start: (dvd - --version) vs lsdvd -x (cpu)" \
  "$listing_cpu ms" "$m_cpu_a ms" "$(ratio "$listing_cpu" "$m_cpu_a")" "-"
