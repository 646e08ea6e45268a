# Shared by the encoder benchmarks: where things are and how a run is timed.
# Sourced, not run. Runs alternate between the two sides (ABBA order) so
# that a machine getting busier or quieter weighs on both alike; both wall
# time and CPU time (user + system, children included) are reported, the
# latter being steadier on a loaded machine.

bin_dir=${1:-$(cd "$(dirname "$0")/../../build/bin" 2>/dev/null && pwd)}
register="$bin_dir/register.dat"
if [ ! -x "$register" ]; then
  echo "usage: $0 BIN_DIR   (the folder holding register.dat)" >&2
  exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs "$@" with its output discarded and prints "WALL CPU" in milliseconds.
measure() {
  local TIMEFORMAT='%3R %3U %3S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f %.3f\n", $1 * 1000, ($2 + $3) * 1000 }'
}

# anew OUTPUT COMMAND...: removes OUTPUT, then runs COMMAND. register.dat
# never replaces a file it did not create, "-y" or not, so each round of a
# conversion starts with its output gone.
anew() {
  rm -f "$1"
  shift
  "$@"
}

# The median of the numbers on standard input.
median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'
}

# compare ROUNDS -- OURS... -- THEIRS...: runs both sides ROUNDS times each
# and sets m_wall_a m_cpu_a m_wall_b m_cpu_b to the medians, in ms.
compare() {
  local rounds=$1 i
  shift 2
  local a=() b=()
  while [ "$1" != "--" ]; do a+=("$1"); shift; done
  shift
  b=("$@")
  local log_a="$work/.a" log_b="$work/.b"
  : >"$log_a"; : >"$log_b"
  for ((i = 0; i < rounds; i++)); do
    if ((i % 2 == 0)); then
      measure "${a[@]}" >>"$log_a"; measure "${b[@]}" >>"$log_b"
    else
      measure "${b[@]}" >>"$log_b"; measure "${a[@]}" >>"$log_a"
    fi
  done
  m_wall_a=$(cut -d' ' -f1 "$log_a" | median)
  m_cpu_a=$(cut -d' ' -f2 "$log_a" | median)
  m_wall_b=$(cut -d' ' -f1 "$log_b" | median)
  m_cpu_b=$(cut -d' ' -f2 "$log_b" | median)
}

# own_share COMMAND...: runs COMMAND (a register.dat job) once with every
# ffmpeg it starts timed by a wrapper named in TRANSCAST_FFMPEG, and prints
# "JOB_WALL FFMPEG_WALL JOB_CPU FFMPEG_CPU" in ms: what register.dat itself
# adds, measured within one run, so the machine's swings between runs (10 %
# on the 2-core machine) do not enter.
own_share() {
  local inner="$work/.inner" wrapper="$work/.timed-ffmpeg" outer
  : >"$inner"
  # shellcheck disable=SC2016 # the wrapper expands these itself
  printf '%s\n' '#!/usr/bin/env bash' "TIMEFORMAT='%3R %3U %3S'" \
    '{ time ffmpeg "$@" 2>&9; } 9>&2 2>>"$BENCH_INNER_TIMES"' >"$wrapper"
  chmod +x "$wrapper"
  outer=$(BENCH_INNER_TIMES="$inner" TRANSCAST_FFMPEG="$wrapper" measure "$@")
  awk -v o="$outer" '{ w += $1 * 1000; c += ($2 + $3) * 1000 }
    END { split(o, t, " "); printf "%.0f %.0f %.0f %.0f\n", t[1], w, t[2], c }' "$inner"
}

# The default number of rounds: the first when BENCH_QUICK is set (bench/run
# asked for a quick pass), else the second.
default_rounds() {
  if [ -n "${BENCH_QUICK:-}" ]; then echo "$1"; else echo "$2"; fi
}

# bench_results NAME GOAL: the medians of the last compare() (or sums set in
# m_wall_a ... m_cpu_b) as bench/run's result lines, wall and CPU time, the
# goal judging both ratios.
bench_results() {
  local name=$1 goal=$2
  printf 'bench-result: %s (wall) | %.3f s | %.3f s | %s | %s\n' "$name" \
    "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_wall_a" "$m_wall_b")" "$goal"
  printf 'bench-result: %s (cpu) | %.3f s | %.3f s | %s | %s\n' "$name" \
    "$(ratio "$m_cpu_a" 1000)" "$(ratio "$m_cpu_b" 1000)" "$(ratio "$m_cpu_a" "$m_cpu_b")" "$goal"
}

# explained_ffmpeg ARRAY INPUT OUTPUT REGISTER_ARGS...: into ARRAY, the ffmpeg
# command register.dat runs for REGISTER_ARGS (its --explain line, rate
# control included), as a baseline runs it directly: INPUT in place of the
# piped stream of a DVD locator (when given), OUTPUT as the output, and the
# progress report written to /dev/null instead of register.dat's pipe.
explained_ffmpeg() {
  local -n into=$1
  local input=$2 output=$3 line i
  shift 3
  line=$("$register" --explain "$@" | grep '^ffmpeg ')
  eval "into=($line)"
  for i in "${!into[@]}"; do
    case ${into[$i]} in
      pipe:3) into[i]=/dev/null ;;
      pipe:0) [ -z "$input" ] || into[i]=$input ;;
    esac
  done
  into[${#into[@]}-1]=$output
}
