#!/usr/bin/env bash
# bench: DVD title conversion: register.dat reading a locator vs ffmpeg reading the VOB
# A 60 s PAL DVD title (authored here with dvdauthor) converted as the app
# writes the job: through register.dat from its DVD locator (sectors read
# with libdvdread and piped into ffmpeg), and as ffmpeg reading the very same
# VOB bytes from the file with the same options and stream choice. Then the
# same with the title's subtitle burnt in: a subtitle that first shows 50 s
# in, some 38 MB into the title, which the baseline's ffmpeg finds by probing
# that far into the file. Prints the medians and the ratios (goal: at most
# 1.05).
# Usage: bench/dvd/convert_title_vs_ffmpeg.sh [BIN_DIR] [ROUNDS]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
rounds=${2:-8}
if [ "${BENCH_QUICK:-0}" = 1 ]; then
  rounds=2
fi
seconds=60

ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=d=$seconds:s=720x576:r=25" \
  -f lavfi -i "sine=f=440:d=$seconds:r=48000" -ac 2 -target pal-dvd -aspect 4:3 "$work/plain.mpg"
convert -size 720x576 xc:none -fill yellow -draw "rectangle 160,420 560,500" "PNG8:$work/box.png"
cat >"$work/subs.xml" <<XML
<subpictures format="PAL"><stream>
 <spu start="00:00:50.00" end="00:00:55.00" image="$work/box.png"/>
</stream></subpictures>
XML
spumux -s 0 "$work/subs.xml" <"$work/plain.mpg" >"$work/title.mpg" 2>/dev/null
cat >"$work/disc.xml" <<XML
<dvdauthor dest="$work/disc">
 <vmgm/>
 <titleset><titles><video format="pal" aspect="4:3"/><audio lang="en"/>
  <subpicture lang="en"/>
  <pgc><vob file="$work/title.mpg"/></pgc>
 </titles></titleset>
</dvdauthor>
XML
VIDEO_FORMAT=PAL dvdauthor -x "$work/disc.xml" >/dev/null 2>&1
vob="$work/disc/VIDEO_TS/VTS_01_1.VOB"
# One title filling the title set: its sectors are the whole VOB.
last=$(($(stat -c %s "$vob") / 2048 - 1))
locator="vts://01*0*$last*0x80*0*/$work/disc"

# A mid-size MPEG-4 profile in the app's spelling, and the ffmpeg command
# register.dat makes of it, reading the VOB instead of the piped sectors and
# keeping the same streams.
app=(-r 25 -b 1172000 -ab 128000 -ac 2 -aspect 1,3333 -s 640x480 -ar 44100
  -vcodec mpeg4 -acodec aac -t 00:01:00)
explained_ffmpeg direct "$vob" "$work/direct.mp4" -y -i "$locator" "${app[@]}" "$work/ours.mp4"
direct=("${direct[@]:0:${#direct[@]}-1}" -map 0:v:0 -map 0:i:0x80 "$work/direct.mp4")
echo "ffmpeg: ${direct[*]}"

compare "$rounds" -- anew "$work/ours.mp4" "$register" -y -i "$locator" "${app[@]}" "$work/ours.mp4" \
  -- "${direct[@]}"
printf 'register.dat wall %7.2f s cpu %7.2f s; ffmpeg on the VOB wall %7.2f s cpu %7.2f s (medians of %d)\n' \
  "$(ratio "$m_wall_a" 1000)" "$(ratio "$m_cpu_a" 1000)" \
  "$(ratio "$m_wall_b" 1000)" "$(ratio "$m_cpu_b" 1000)" "$rounds"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "DVD title 60 s: register.dat locator vs ffmpeg on the VOB (wall)" \
  "$(ratio "$m_wall_a" 1000) s" "$(ratio "$m_wall_b" 1000) s" \
  "$(ratio "$m_wall_a" "$m_wall_b")" "ratio <= 1.05"
printf 'bench-result: %s | %s | %s | %s | %s\n' \
  "DVD title 60 s: register.dat locator vs ffmpeg on the VOB (cpu)" \
  "$(ratio "$m_cpu_a" 1000) s" "$(ratio "$m_cpu_b" 1000) s" \
  "$(ratio "$m_cpu_a" "$m_cpu_b")" "ratio <= 1.05"

# The subtitle burnt in: the baseline overlays the same stream in the same
# colours, and probes the file far enough to know the subtitle stream.
subtitled="vts://01*0*$last*0x80*0x20*/$work/disc"
# The title's palette as lsdvd prints it (Y Cr Cb), in RGB as register.dat passes it.
palette=
for entry in $(lsdvd -x "$work/disc" 2>/dev/null | sed -n 's/^[[:space:]]*Palette: //p' | head -1); do
  palette+=${palette:+,}$(awk -v y=$((16#${entry:0:2})) -v cr=$((16#${entry:2:2})) \
    -v cb=$((16#${entry:4:2})) 'function c(v) { v = int(v + 0.5); return v < 0 ? 0 : v > 255 ? 255 : v }
    BEGIN { y = 1.164383 * (y - 16); cr -= 128; cb -= 128
      printf "%02x%02x%02x", c(y + 1.596027 * cr), c(y - 0.391762 * cb - 0.812968 * cr), c(y + 2.017232 * cb) }')
done
burned=()
for word in "${direct[@]:0:${#direct[@]}-5}"; do
  case $word in
    32M | 60M) burned+=(200M) ;;
    -f) burned+=(-palette "$palette" -f) ;;
    *) burned+=("$word") ;;
  esac
done
burned+=(-filter_complex "[0:v:0][0:i:0x20]overlay[burned]" -map "[burned]" -map 0:i:0x80
  "$work/burned-direct.mp4")
echo "ffmpeg, subtitle burnt in: ${burned[*]}"
compare "$rounds" -- anew "$work/burned.mp4" "$register" -y -i "$subtitled" "${app[@]}" "$work/burned.mp4" \
  -- "${burned[@]}"
bench_results "DVD title 60 s, subtitle burnt in: register.dat locator vs ffmpeg on the VOB" \
  "ratio <= 1.05"

# Through the DVD edition of the CLI (profile 122, MP4 - H.264 Video Normal),
# when this build's CLI lists discs: the baseline takes the options of the
# command line `convert --dry-run` prints, as register.dat passes them.
cli="$bin_dir/transcast-cli"
if [ -x "$cli" ] && "$cli" dvd "$work/disc" >/dev/null 2>&1; then
  export XDG_CONFIG_HOME="$work/cli-config"
  cli_args=(convert --edition transcast-dvd --profile 122 --output "$work/cli-out" "$work/disc")
  line=$("$cli" "${cli_args[@]}" --dry-run | grep -m1 'vts://')
  read -ra words <<<"$line"
  explained_ffmpeg cli_direct "$vob" "$work/cli-direct.mp4" "${words[@]:1}"
  cli_direct=("${cli_direct[@]:0:${#cli_direct[@]}-1}" -map 0:v:0 -map 0:i:0x80
    "$work/cli-direct.mp4")
  echo "transcast-cli: $line"
  echo "ffmpeg:        ${cli_direct[*]}"
  cli_convert() {
    rm -rf "$work/cli-out"
    "$cli" "${cli_args[@]}"
  }
  compare "$rounds" -- cli_convert -- "${cli_direct[@]}"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "DVD title 60 s: transcast-cli convert --edition transcast-dvd vs ffmpeg on the VOB (wall)" \
    "$(ratio "$m_wall_a" 1000) s" "$(ratio "$m_wall_b" 1000) s" \
    "$(ratio "$m_wall_a" "$m_wall_b")" "ratio <= 1.05"
else
  echo "transcast-cli cannot list DVDs in this build: its comparison is left out"
fi
