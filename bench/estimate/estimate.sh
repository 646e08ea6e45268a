#!/usr/bin/env bash
# bench: output sizes against the estimate, and what rate control costs
# bench/run's entry to estimate_accuracy.py: every profile on the three
# sources at their default choices, and at the lowest and highest quality on
# the photographic pan, 10-second clips. An hour or more on a small machine;
# the results stay in WORK (BENCH_ESTIMATE_WORK, default beside BIN_DIR) so
# a run that was stopped goes on where it stopped. BENCH_QUICK=1 converts a
# handful of profiles only.
# Usage: bench/estimate/estimate.sh [BIN_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin_dir=$(cd "${1:-$here/../../build/bin}" && pwd)
work=${BENCH_ESTIMATE_WORK:-$bin_dir/../bench-estimate}
profiles=1-131
[ "${BENCH_QUICK:-}" = 1 ] && profiles=1,7,21,107,118
python3 "$here/estimate_accuracy.py" "$bin_dir" --seconds 10 --profiles "$profiles" \
  --sources pan,graphics,grain --qualities default --jobs "$(nproc)" --work "$work" >/dev/null
python3 "$here/estimate_accuracy.py" "$bin_dir" --seconds 10 --profiles "$profiles" \
  --sources pan --qualities lowest,highest --jobs "$(nproc)" --work "$work"
