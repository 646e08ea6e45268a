#!/usr/bin/env bash
# bench: window start-up and idle memory against a bare Qt window
# Start-up benchmark: cold start of the main window to the end of its first
# show (skin, the 132 button pictures checked, the settings loaded), and its resident
# memory after a second of idling, against a bare Qt window started the same
# way. Runs in a virtual X server (it starts one itself). Usage: bench/ui/startup.sh [BIN_DIR|BUILD_DIR] [RUNS]
set -euo pipefail
if [ -z "${TRANSCAST_BENCH_IN_XVFB:-}" ]; then
  export TRANSCAST_BENCH_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
# bench/run passes the bin folder; the bare window lies in the build's bench/.
if [ ! -d "$build/bin" ] && [ -x "$build/transcast" ]; then
  build=$(cd "$build/.." && pwd)
fi
runs=${2:-21}
if [ -z "${2:-}" ] && [ -n "${BENCH_QUICK:-}" ]; then
  runs=3
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() { # program args... -> "ms rss_kb" per run
  local start first rss out
  for _ in $(seq "$runs"); do
    export XDG_CONFIG_HOME="$work/config-$RANDOM"
    start=$(date +%s%3N)
    out=$("$@")
    first=$(sed -n 's/^first-show-epoch-ms=//p' <<<"$out")
    rss=$(sed -n 's/^idle-rss-kb=//p' <<<"$out")
    echo "$((first - start)) $rss"
  done
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# Side by side: one run of each in turn, so both see the same machine.
for _ in $(seq "$runs"); do
  runs=1 measure "$build/bin/transcast" --startup-report >>"$work/app"
  runs=1 measure "$build/bench/bench_bare_window" >>"$work/bare"
done

app_ms=$(cut -d" " -f1 "$work/app" | median)
bare_ms=$(cut -d" " -f1 "$work/bare" | median)
app_rss=$(cut -d" " -f2 "$work/app" | median)
bare_rss=$(cut -d" " -f2 "$work/bare" | median)
echo "start to first show (median of $runs): transcast ${app_ms} ms, bare Qt window ${bare_ms} ms, ratio $(awk -v a="$app_ms" -v b="$bare_ms" 'BEGIN{printf "%.2f", a/b}')"
echo "idle resident memory: transcast $((app_rss / 1024)) MB, bare Qt window $((bare_rss / 1024)) MB, ratio $(awk -v a="$app_rss" -v b="$bare_rss" 'BEGIN{printf "%.2f", a/b}')"
echo "goals: both at most twice a bare Qt window's"
printf 'bench-result: %s | %s | %s | %s | %s\n' "window start to first show" "$app_ms ms" \
  "$bare_ms ms" "$(awk -v a="$app_ms" -v b="$bare_ms" 'BEGIN{printf "%.2f", a/b}')" "ratio <= 2"
printf 'bench-result: %s | %s | %s | %s | %s\n' "window idle resident memory" \
  "$((app_rss / 1024)) MB" "$((bare_rss / 1024)) MB" \
  "$(awk -v a="$app_rss" -v b="$bare_rss" 'BEGIN{printf "%.2f", a/b}')" "ratio <= 2"
