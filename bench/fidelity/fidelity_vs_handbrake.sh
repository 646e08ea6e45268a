#!/usr/bin/env bash
# bench: motion and sound side by side with HandBrakeCLI
# Converts the same made sources with register.dat and with HandBrakeCLI
# (Debian's handbrake-cli) into H.264 MP4 at 25 fps and prints, per output:
# frames idet finds combed, SSIM and PSNR against the ideal progressive
# picture, the largest offset between a beep and its flash, the sound's
# peak, and the length against the source's.
#
# Sources (5 s each): 1080i50 H.264 in MPEG-TS, 576i PAL MPEG-2 into a
# smaller frame, NTSC film telecined 3:2 in MPEG-2, a 29.97 fps clip with a
# flash and a beep every second, and a loud 5.1 AC3 (every channel at
# -4.4 dBFS). The ideal pictures are the progressive frames the sources were
# made of, at 25 fps; SSIM and PSNR compare frame by frame, each output at
# the lead (0 to 2 frames) that matches it best.
#
# Usage: bench/fidelity/fidelity_vs_handbrake.sh [BIN_DIR]
set -euo pipefail
source "$(dirname "$0")/../encoder/common.sh"
command -v HandBrakeCLI >/dev/null || { echo "needs HandBrakeCLI (apt-get install handbrake-cli)" >&2; exit 2; }

soft=gblur=sigma=1.2
make() { ffmpeg -v error -nostdin -y "$@"; }

# The ideal pictures, progressive at 25 fps, and the sources made of them.
make -f lavfi -i "testsrc2=s=1920x1080:r=50:d=5,$soft" -c:v libx264 -preset ultrafast -qp 0 "$work/hd50.mkv"
make -i "$work/hd50.mkv" -vf "fps=25" -c:v libx264 -preset ultrafast -qp 0 "$work/hd.ref.mkv"
make -i "$work/hd50.mkv" -vf "interlace=scan=tff" -c:v libx264 -b:v 15M -flags +ildct+ilme -x264opts tff=1 -f mpegts "$work/hd.ts"
make -f lavfi -i "testsrc2=s=720x576:r=50:d=5,$soft" -vf "interlace=scan=tff" -aspect 16:9 -c:v mpeg2video -b:v 8M -flags +ildct+ilme -top 1 "$work/pal.mpg"
make -f lavfi -i "testsrc2=s=720x576:r=50:d=5,$soft" -vf "fps=25,scale=640:360" -c:v libx264 -preset ultrafast -qp 0 "$work/pal.ref.mkv"
make -f lavfi -i "testsrc2=s=720x480:r=24000/1001:d=5,$soft" -vf "telecine=first_field=top" -aspect 16:9 -c:v mpeg2video -b:v 8M -flags +ildct+ilme -top 1 "$work/film.mpg"
make -f lavfi -i "testsrc2=s=720x480:r=24000/1001:d=5,$soft" -vf "fps=25,scale=640:360" -c:v libx264 -preset ultrafast -qp 0 "$work/film.ref.mkv"
make -f lavfi -i "color=c=black:s=640x360:r=30000/1001:d=5,format=yuv420p,drawbox=c=white:t=fill:enable='between(mod(n,30),15,17)'" \
  -f lavfi -i "aevalsrc='if(between(mod(t*30000/1001,30),15,18),0.5*sin(2*PI*1000*t),0)':s=48000:d=5" \
  -c:v libx264 -preset ultrafast -c:a aac -ac 2 "$work/sync.mp4"
make -f lavfi -i "testsrc2=s=640x360:r=25:d=5" -f lavfi -i "aevalsrc=0.603*sin(2*PI*440*t):s=48000:d=5" \
  -filter_complex "[1]asplit=6[a][b][c][d][e][f];[a][b][c][d][e][f]join=inputs=6:channel_layout=5.1[s]" \
  -map 0 -map "[s]" -c:v libx264 -preset ultrafast -c:a ac3 -b:a 448k "$work/surround.mkv"

ours() { # SOURCE W H OUTPUT
  rm -f "$4"
  "$register" -y -i "$1" -r 25 -b 4000000 -s "$2x$3" -aspect 16:9 -vcodec libx264 -pix_fmt yuv420p \
    -acodec aac -ab 128000 -ar 48000 -ac 2 -f mp4 "$4" >/dev/null 2>&1
}
theirs() { # SOURCE W H OUTPUT
  HandBrakeCLI -i "$1" -o "$4" -f av_mp4 -e x264 -b 4000 -r 25 --cfr -w "$2" -l "$3" --crop 0:0:0:0 --non-anamorphic \
    --comb-detect --decomb --detelecine -E av_aac -B 128 --mixdown stereo >/dev/null 2>&1
}

combed() { # percent of frames idet finds interlaced
  ffmpeg -hide_banner -nostats -i "$1" -vf idet -an -f null - 2>&1 | grep "Multi frame" |
    awk '{ for (i = 1; i <= NF; i++) { if ($i == "TFF:") t = $(i + 1); if ($i == "BFF:") b = $(i + 1); if ($i == "Progressive:") p = $(i + 1) } }
         END { printf "%.1f", 100 * (t + b) / (t + b + p) }'
}
likeness() { # "SSIM PSNR" of OUTPUT against REFERENCE, frame by frame, at the
  # best of a 0, 1 or 2 frame lead: an output that starts with a frame more
  # (HandBrake's does) is compared with the pictures it means
  local best_ssim=0 best_psnr=0 shift ssim psnr
  for shift in 0 1 2; do
    ssim=$(ffmpeg -hide_banner -nostats -i "$1" -i "$2" -lavfi "[0:v]trim=start_frame=$shift,setpts=PTS-STARTPTS[a];[1:v]setpts=PTS-STARTPTS[b];[a][b]ssim" -f null - 2>&1 |
      grep -oE "All:[0-9.]+" | cut -d: -f2)
    if awk -v a="$ssim" -v b="$best_ssim" 'BEGIN { exit !(a > b) }'; then
      best_ssim=$ssim
      best_psnr=$(ffmpeg -hide_banner -nostats -i "$1" -i "$2" -lavfi "[0:v]trim=start_frame=$shift,setpts=PTS-STARTPTS[a];[1:v]setpts=PTS-STARTPTS[b];[a][b]psnr" -f null - 2>&1 |
        grep -oE "average:[0-9.inf]+" | cut -d: -f2)
    fi
  done
  echo "$best_ssim $best_psnr"
}
offset() { # the largest |beep - flash| in ms
  ffmpeg -hide_banner -nostats -i "$1" -filter_complex \
    "[0:v]signalstats,metadata=print:key=lavfi.signalstats.YAVG[v];[0:a]silencedetect=n=-30dB:d=0.03[a]" \
    -map "[v]" -map "[a]" -f null - 2>&1 |
    awk '/pts_time:/ { match($0, /pts_time:[-0-9.]+/); t = substr($0, RSTART + 9, RLENGTH - 9) }
         /YAVG=/ { split($0, p, "YAVG="); if (p[2] > 100 && !lit) f[nf++] = t; lit = p[2] > 100 }
         /silence_end:/ { split($0, p, "silence_end: "); split(p[2], q, " "); if (q[1] < 4.9) b[nb++] = q[1] }
         END { m = 0; n = nf < nb ? nf : nb; for (i = 0; i < n; i++) { d = b[i] - f[i]; if (d < 0) d = -d; if (d > m) m = d }
               printf "%.0f", m * 1000 }'
}
peak() { # the sound's peak, dBFS
  ffmpeg -hide_banner -nostats -i "$1" -vn -af astats=measure_overall=Peak_level:measure_perchannel=none -f null - 2>&1 |
    grep -oE "Peak level dB: [-0-9.inf]+" | tail -1 | awk '{ print $4 }'
}
length() { ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$1"; }
lengthDiff() { awk -v a="$(length "$1")" -v b="$(length "$2")" 'BEGIN { d = a - b; if (d < 0) d = -d; printf "%.0f", d * 1000 }'; }

row() { # NAME OURS THEIRS GOAL
  printf 'bench-result: %s | %s | %s | - | %s\n' "$1" "$2" "$3" "$4"
}

for case in "hd ts 1920 1080" "pal mpg 640 360" "film mpg 640 360"; do
  read -r name extension w h <<<"$case"
  src=$work/$name.$extension
  ours "$src" "$w" "$h" "$work/$name.ours.mp4"
  theirs "$src" "$w" "$h" "$work/$name.theirs.mp4"
  row "$name: combed frames %" "$(combed "$work/$name.ours.mp4")" "$(combed "$work/$name.theirs.mp4")" "ours <= 1"
  read -r s_ours p_ours <<<"$(likeness "$work/$name.ours.mp4" "$work/$name.ref.mkv")"
  read -r s_theirs p_theirs <<<"$(likeness "$work/$name.theirs.mp4" "$work/$name.ref.mkv")"
  row "$name: SSIM" "$s_ours" "$s_theirs" "ours >= $(awk -v s="$s_theirs" 'BEGIN { printf "%.3f", s - 0.005 }')"
  row "$name: PSNR dB" "$p_ours" "$p_theirs" "-"
  row "$name: length off by ms" "$(lengthDiff "$work/$name.ours.mp4" "$src")" "$(lengthDiff "$work/$name.theirs.mp4" "$src")" "ours <= 40"
done
ours "$work/sync.mp4" 640 360 "$work/sync.ours.mp4"
theirs "$work/sync.mp4" 640 360 "$work/sync.theirs.mp4"
row "29.97 fps: largest A/V offset ms" "$(offset "$work/sync.ours.mp4")" "$(offset "$work/sync.theirs.mp4")" "ours <= 20"
ours "$work/surround.mkv" 640 360 "$work/surround.ours.mp4"
theirs "$work/surround.mkv" 640 360 "$work/surround.theirs.mp4"
row "loud 5.1: peak dBFS" "$(peak "$work/surround.ours.mp4")" "$(peak "$work/surround.theirs.mp4")" "ours < 0"
