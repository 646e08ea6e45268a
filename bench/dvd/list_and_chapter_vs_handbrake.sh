#!/usr/bin/env bash
# bench: the DVD listing and one chapter's conversion against HandBrakeCLI
# Side by side on the tests' authored discs (a continuous film cut into
# chapters, and a disc of short chapters, one and two cells each):
#  - what each program lists: titles, chapters per title and their lengths,
#    from `transcast-cli dvd --chapters` and `HandBrakeCLI --scan -t 0`, with
#    lsdvd's chapter counts as the third opinion;
#  - the listing's time, and one chapter converted to H.264 MP4 by each
#    (transcast-cli profile 5; HandBrakeCLI x264 at its default preset),
#    with the outputs' lengths.
# The listing goal is the same row count and lengths as HandBrake; the times
# are informative (HandBrake's scan also decodes preview pictures).
# Usage: bench/dvd/list_and_chapter_vs_handbrake.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-$(default_rounds 3 9)}
cli="$bin_dir/transcast-cli"
root=$(cd "$(dirname "$0")/../.." && pwd)
if ! command -v HandBrakeCLI >/dev/null; then
  echo "HandBrakeCLI is missing (Debian's handbrake-cli)" >&2
  exit 2
fi
discs="$bin_dir/../tests/discs"
"$root/tests/support/make-test-discs" "$discs" >/dev/null

# "TITLE CHAPTERS LENGTHS..." per title, lengths in whole seconds.
ours() {
  "$cli" dvd --chapters "$1" | awk -F'\t' '
    function flush() { if (title != "") print title, n, lengths }
    function secs(t,  p) { split(t, p, ":"); return p[1] * 3600 + p[2] * 60 + p[3] }
    $2 ~ /^Title_/ { flush(); title = ++titles; n = 0; lengths = "" }
    $2 ~ /^  Chapter_/ { n++; lengths = lengths " " secs($4) }
    END { flush() }'
}
theirs() {
  HandBrakeCLI --scan -t 0 -i "$1" 2>&1 | awk '
    function flush() { if (title != "") print title, n, lengths }
    function secs(t,  p) { split(t, p, ":"); return p[1] * 3600 + p[2] * 60 + p[3] }
    /^\+ title [0-9]+:/ { flush(); title = ++titles; n = 0; lengths = ""; inchapters = 0 }
    /^  \+ chapters:/ { inchapters = 1; next }
    /^  \+ / { inchapters = 0 }
    inchapters && /^    \+ [0-9]+: duration/ { n++; lengths = lengths " " secs($4) }
    END { flush() }'
}

for disc in ${BENCH_DISCS:-story chapters}; do
  target="$discs/$disc"
  echo "== $disc: title, chapters, chapter lengths (s)"
  ours "$target" | sed 's/^/  transcast-cli: /'
  theirs "$target" | sed 's/^/  HandBrakeCLI:  /'
  lsdvd -c "$target" 2>/dev/null | sed -n 's/^Title: \([0-9]*\),.*Chapters: \([0-9]*\),.*/  lsdvd:         \1 \2/p'
  same=no
  [ "$(ours "$target" | awk '{ print $1, $2 }')" = "$(theirs "$target" | awk '{ print $1, $2 }')" ] && same=yes
  printf 'bench-result: %s | %s | %s | %s | %s\n' "dvd chapters of $disc: transcast-cli vs HandBrakeCLI" \
    "$(ours "$target" | awk '{ s += $2 } END { print s }') chapters" \
    "$(theirs "$target" | awk '{ s += $2 } END { print s }') chapters" "same: $same" "same"
  compare "$rounds" -- "$cli" dvd --chapters "$target" -- HandBrakeCLI --scan -t 0 -i "$target"
  bench_results "dvd listing of $disc: transcast-cli dvd --chapters vs HandBrakeCLI --scan" "-"
done

# One chapter: the film's second, 12 s (row 3 of the chapter listing).
out_a="$work/ours" out_b="$work/hb.mp4"
mkdir -p "$out_a"
compare "$rounds" -- anew "$out_a/Title_01_Chapter_02.mp4" "$cli" convert --edition transcast-dvd \
  --chapters --rows 3 --profile 5 --output "$out_a" "$discs/story" \
  -- anew "$out_b" HandBrakeCLI -i "$discs/story" -t 1 -c 2 -e x264 -o "$out_b"
length() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
echo "chapter 2 of story: transcast-cli $(length "$out_a/Title_01_Chapter_02.mp4") s, HandBrakeCLI $(length "$out_b") s (authored 12 s)"
bench_results "dvd chapter 2 of story to H.264 MP4: transcast-cli vs HandBrakeCLI" "-"
