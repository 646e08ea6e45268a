#!/usr/bin/env bash
# The README's recipe for converting a library on many machines, run on this
# one: GNU parallel hands one file to each `transcast-cli convert`, two job
# slots standing for two machines, each writing into its own output folder.
# Every source must come out converted exactly once, and no source changes.
# Then two slots writing into one output folder, handed sources whose
# outputs share a name: every job keeps an output of its own.
# Usage: recipe_test.sh BIN_DIR
set -euo pipefail
bin_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

library="$work/library"
mkdir -p "$library/holiday" "$library/talks"
clip() {
  ffmpeg -v error -nostdin -y -f lavfi -i "testsrc=d=1:s=160x120:r=25" \
    -f lavfi -i "sine=f=440:d=1" -ac 2 -c:v mpeg4 -c:a libmp3lame "$1"
}
# Names a shell would trip over, as a real library holds them.
clip "$library/holiday/beach day.avi"
clip "$library/holiday/it's raining.avi"
clip "$library/holiday/-dash.avi"
clip "$library/talks/\$(touch pwned).avi"
clip "$library/talks/plain.avi"
clip "$library/talks/\`back\`.avi"
(cd "$library" && find . -type f -exec sha256sum {} + | sort) >"$work/before"

# The recipe, as in the README, with the remote machines replaced by two
# local job slots ({%} is the slot: 1 or 2).
cd "$library"
find . -type f -name '*.avi' -print0 |
  parallel -0 --will-cite --jobs 2 --joblog "$work/jobs.log" \
    "$bin_dir/transcast-cli" convert --profile 122 --size 0 --video 1 --audio 1 \
    --output "$work/out{%}/{//}" {} >"$work/parallel.out" 2>&1 ||
  { cat "$work/parallel.out" >&2; fail "parallel reported failed jobs"; }

[ ! -e pwned ] && [ ! -e "$work/pwned" ] || fail "a file name was run as a command"
(cd "$library" && find . -type f -exec sha256sum {} + | sort) >"$work/after"
cmp -s "$work/before" "$work/after" || fail "the library changed"

# Every source converted exactly once, into one of the two folders, in the
# same subfolder, and each output is a real video.
count=0
while IFS= read -r -d '' source; do
  relative=${source#./}
  base=${relative%.avi}
  found=()
  for slot in 1 2; do
    for output in "$work/out$slot/$base".mp4 "$work/out$slot/$base"_*.mp4; do
      [ -e "$output" ] && found+=("$output")
    done
  done
  [ ${#found[@]} -eq 1 ] || fail "$relative converted ${#found[@]} times: ${found[*]:-none}"
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "${found[0]}")
  awk -v d="$duration" 'BEGIN { exit !(d > 0.5) }' || fail "${found[0]} is not a 1 s video"
  count=$((count + 1))
done < <(find . -type f -name '*.avi' -print0)
[ "$count" -eq 6 ] || fail "expected 6 sources, saw $count"
outputs=$(find "$work"/out1 "$work"/out2 -type f 2>/dev/null | wc -l)
[ "$outputs" -eq 6 ] || fail "expected 6 outputs, found $outputs"
# Both slots took part, as two machines would.
[ -d "$work/out1" ] && [ -d "$work/out2" ] || fail "one job slot converted nothing"
echo "PASS: 6 files converted once each over 2 job slots"

# One output folder for both slots: x.avi and x.mkv, each twice, all want
# x.mp4. Each job takes the next free name as it starts, so the four come
# out as x.mp4, x_1.mp4, x_2.mp4 and x_3.mp4, as one job after the other
# would name them, and nothing else is left in the folder.
mixed="$work/mixed"
mkdir -p "$mixed"
clip "$mixed/x.avi"
ffmpeg -v error -nostdin -y -i "$mixed/x.avi" -c copy "$mixed/x.mkv"
shared="$work/shared"
printf '%s\0' "$mixed/x.avi" "$mixed/x.mkv" "$mixed/x.avi" "$mixed/x.mkv" |
  parallel -0 --will-cite --jobs 2 \
    "$bin_dir/transcast-cli" convert --profile 122 --size 0 --video 1 --audio 1 \
    --output "$shared" {} >"$work/shared.out" 2>&1 ||
  { cat "$work/shared.out" >&2; fail "parallel reported failed jobs into one folder"; }
[ "$(grep -c ': Finish' "$work/shared.out")" -eq 4 ] || fail "not every job said Finish"
listing=$(cd "$shared" && find . -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')
[ "$listing" = "x.mp4 x_1.mp4 x_2.mp4 x_3.mp4 " ] ||
  fail "one folder, four jobs: expected x.mp4 x_1.mp4 x_2.mp4 x_3.mp4, found: $listing"
for output in "$shared"/*.mp4; do
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$output")
  awk -v d="$duration" 'BEGIN { exit !(d > 0.5) }' || fail "$output is not a 1 s video"
done
echo "PASS: 4 jobs over 2 job slots into one folder kept 4 outputs"
