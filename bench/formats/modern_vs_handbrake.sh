#!/usr/bin/env bash
# bench: today's formats (profiles 133, 135, 137) through register.dat against ffmpeg direct and HandBrakeCLI
#
#   bench/formats/modern_vs_handbrake.sh BIN_DIR [ROUNDS] [KBPS] [SECONDS] [PROFILES]
#
# One 1080p25 source of SECONDS (default 10) made with ffmpeg (moving
# graphics under temporal grain, a chord), converted at one video bitrate
# (default 4000 kbit/s, inside the 1080p range of 970 to 6750) by:
#  (a) register.dat with the profile's line and the app's options, against
#      the ffmpeg command register.dat runs (its --explain) run directly:
#      the wall-time ratio is what register.dat adds. Goal 1.02.
#      Then one job again with its ffmpeg runs timed inside it: what
#      register.dat itself adds, free of the machine's swings between runs.
#  (b) HandBrakeCLI with the matching encoder and preset (x265 fast, SVT-AV1
#      8, VP9 faster in two passes) at the same bitrate: wall time, output
#      bitrate, SSIM and PSNR against the source (ffmpeg's ssim and psnr
#      filters), side by side with ours.
# ROUNDS (default 2, 1 with BENCH_QUICK) of (a) alternate ABBA; (b) runs once.
# PROFILES (default "133 135 137") picks which of the three run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../encoder/common.sh"
rounds=${2:-$(default_rounds 1 2)}
length=${4:-10}
chosen=${5:-133 135 137}
kbps=${3:-4000}
root=$(cd "$here/../.." && pwd)
profiles="$root/data/profiles.pop"

src="$work/source.mkv"
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=s=1920x1080:r=25:d=$length,noise=alls=10:allf=t+u" \
  -f lavfi -i "aevalsrc=0.2*sin(2*PI*220*t)+0.1*sin(2*PI*330*t)|0.2*sin(2*PI*277*t):s=44100:d=$length" \
  -c:v libx264 -crf 8 -preset ultrafast -c:a pcm_s16le "$src"

# The option line of profile N in profiles.pop (the fourth line of its block).
line_of() {
  awk -v p="#$1" 'index($0, p) == 1 && substr($0, length(p) + 1, 1) ~ /[ ]|^$/ { n = NR }
                  n && NR == n + 3 { print; exit }' "$profiles"
}

# The app's options for a 1080p job at the bitrate (as `transcast-cli convert
# --dry-run` prints them).
app_options=(-r 25 -b "${kbps}000" -ab 128000 -ac 2 -aspect 1.7778 -s 1920x1080 -ar 44100)

# quality FILE: "SSIM PSNR" of FILE's picture against the source's.
quality() {
  ffmpeg -hide_banner -nostats -i "$1" -i "$src" -lavfi \
    "[0:v]setpts=PTS-STARTPTS,split[a][b];[1:v]setpts=PTS-STARTPTS,split[c][d];[a][c]ssim;[b][d]psnr" \
    -f null - 2>&1 | awk '/SSIM Y:/ { for (i = 1; i <= NF; i++) if ($i ~ /^All:/) { sub("All:", "", $i); s = $i } }
                          /PSNR y:/ { for (i = 1; i <= NF; i++) if ($i ~ /^average:/) { sub("average:", "", $i); p = $i } }
                          END { printf "%s %s\n", s, p }'
}

# kbps_of FILE: the whole file's bitrate over the source's length.
kbps_of() {
  awk -v b="$(stat -c %s "$1")" -v s="$length" 'BEGIN { printf "%.0f", b * 8 / s / 1000 }'
}

# seconds COMMAND...: wall time of one run in seconds.
seconds() {
  local TIMEFORMAT='%3R'
  { time "$@" >/dev/null 2>&1; } 2>&1
}

declare -A ours_wall ours_kbps ours_ssim ours_psnr
for profile in $chosen; do
  line=$(line_of "$profile")
  read -r -a options <<<"$line"
  case " $line " in *" -f webm "*) ext=webm ;; *" -f matroska "*) ext=mkv ;; *) ext=mp4 ;; esac
  ours="$work/ours-$profile.$ext"
  direct="$work/direct-$profile.$ext"
  # The same commands (VP9 runs two: its statistics pass, then the output),
  # their progress descriptor closed, into another file and statistics
  # folder.
  passes="$work/passes-$profile"
  mkdir -p "$passes"
  direct_command=
  while read -r command; do
    command=${command//\/tmp\/transcast-pass-XXXXXX/$passes}
    case "$command" in *" -f null -") ;; *) command="${command% *} $(printf %q "$direct")" ;; esac
    direct_command+="${direct_command:+ && }$command 3>/dev/null"
  done < <("$register" --explain -y -i "$src" "${app_options[@]}" "${options[@]}" "$ours" |
    grep '^ffmpeg ')
  compare "$rounds" -- anew "$ours" "$register" -y -i "$src" "${app_options[@]}" "${options[@]}" "$ours" \
    -- anew "$direct" bash -c "$direct_command"
  bench_results "profile $profile via register.dat vs ffmpeg direct" "ratio <= 1.02"
  ours_wall[$profile]=$(ratio "$m_wall_a" 1000)
  # The same, within one run: the job against the ffmpeg runs inside it.
  read -r job_wall ffmpeg_wall job_cpu ffmpeg_cpu <<<"$(own_share anew "$ours" "$register" -y \
    -i "$src" "${app_options[@]}" "${options[@]}" "$ours")"
  m_wall_a=$job_wall m_wall_b=$ffmpeg_wall m_cpu_a=$job_cpu m_cpu_b=$ffmpeg_cpu
  bench_results "profile $profile register.dat around its own ffmpeg runs" "ratio <= 1.02"
  ours_kbps[$profile]=$(kbps_of "$ours")
  read -r ours_ssim[$profile] ours_psnr[$profile] <<<"$(quality "$ours")"
done

# HandBrake at the same size, rate and bitrate, its default filters off.
handbrake() { # ENCODER PRESET OUTPUT [OPTION...]
  local encoder=$1 preset=$2 out=$3 format=av_mp4
  shift 3
  case "$out" in *.mkv) format=av_mkv ;; esac
  HandBrakeCLI -i "$src" -o "$out" -f "$format" -e "$encoder" --encoder-preset "$preset" -b "$kbps" "$@" \
    --width 1920 --height 1080 --crop 0:0:0:0 --rate 25 --cfr \
    --no-comb-detect --no-decomb --no-deinterlace --no-detelecine --no-deblock \
    --no-hqdn3d --no-nlmeans \
    -E av_aac -B 128 --mixdown stereo
}
asked=$((kbps + 128))
echo "# $(date -u +%Y-%m-%d) ${kbps} kbit/s video + 128 kbit/s sound asked (total ${asked}), 1920x1080 25 fps, $length s"
printf '%-28s | %8s | %9s | %7s | %7s\n' "encoder" "wall s" "kbit/s" "SSIM" "PSNR dB"
# VP9 in two passes as ours, at HandBrake's "faster" preset, into MKV for
# HandBrake's AAC.
for pair in "133 x265 fast" "135 svt_av1 8" "137 VP9 faster -2"; do
  read -r profile encoder preset extra <<<"$pair"
  case " $chosen " in *" $profile "*) ;; *) continue ;; esac
  printf '%-28s | %8s | %9s | %7s | %7s\n' "register.dat profile $profile" "${ours_wall[$profile]}" \
    "${ours_kbps[$profile]}" "${ours_ssim[$profile]}" "${ours_psnr[$profile]}"
  out="$work/handbrake-$profile.mp4"
  [ "$encoder" = VP9 ] && out="$work/handbrake-$profile.mkv"
  # shellcheck disable=SC2086 # extra is one option or none
  wall=$(seconds handbrake "$encoder" "$preset" "$out" $extra)
  read -r ssim psnr <<<"$(quality "$out")"
  printf '%-28s | %8s | %9s | %7s | %7s\n' "HandBrakeCLI $encoder $preset" "$wall" "$(kbps_of "$out")" "$ssim" "$psnr"
  printf 'bench-result: profile %s vs HandBrake %s (wall) | %s s | %s s | %s | -\n' "$profile" "$encoder" \
    "${ours_wall[$profile]}" "$wall" "$(ratio "${ours_wall[$profile]}" "$wall")"
  printf 'bench-result: profile %s vs HandBrake %s (SSIM) | %s | %s | - | -\n' "$profile" "$encoder" \
    "${ours_ssim[$profile]}" "$ssim"
done
