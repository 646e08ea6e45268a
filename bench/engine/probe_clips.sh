# Shared by the probe benchmarks: 200 one-second clips in $work/clips and a
# plain shell loop of ffprobe over them. Sourced after ../encoder/common.sh.
cli="$bin_dir/transcast-cli"
count=200

mkdir "$work/clips"
ffmpeg -v error -nostdin -y -f lavfi -i "testsrc=d=1:s=160x120:r=25" -f lavfi -i "sine=f=440:d=1" \
  -ac 2 -c:v mpeg4 -c:a libmp3lame "$work/clips/clip000.avi"
for ((i = 1; i < count; i++)); do
  cp "$work/clips/clip000.avi" "$(printf '%s/clips/clip%03d.avi' "$work" "$i")"
done

ffprobe_loop() {
  local file
  for file in "$work"/clips/*.avi; do
    ffprobe "$file"
  done
}
