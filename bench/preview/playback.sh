#!/usr/bin/env bash
# bench: preview vs bare mpv on an X server: first picture after "play", CPU per second of 720p playback, dropped frames
# Usage: bench/preview/playback.sh [BIN_DIR] [ROUNDS]
#
# A 10 s 1280x720 25 fps H.264 clip whose first picture is black. Both sides
# run on one Xvfb and are judged by the pixels on its screen, with the same
# decoder (libavcodec in software) and no sound device:
# - OpenGL pair: our window's preview (the xcb platform, Mesa's llvmpipe)
#   against `mpv --no-config --vo=gpu --gpu-context=x11egl --gpu-sw=yes`, both
#   through EGL (Debian's mpv has no GLX) and llvmpipe, its window the size of
#   our panel;
# - software pair: our preview's software renderer
#   (TRANSCAST_PREVIEW_RENDERER=software) against `mpv --no-config --vo=x11`
#   (swscale into shared memory), the same size.
# First picture: ours from dispatching "play" (our libmpv instance is made
# then), mpv's from its start. CPU: the player's process plus the X server,
# per second, over seconds 2-8 of playback. Rounds alternate the two sides;
# medians are printed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$root/build/bin}
rounds=${2:-5}
[ -n "${BENCH_QUICK:-}" ] && rounds=2
bench=$bin/../bench/bench_preview
command -v mpv >/dev/null || { echo "mpv is not installed (scripts/install-deps)" >&2; exit 1; }
[ -x "$bench" ] || { echo "no $bench: build first" >&2; exit 1; }
work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display XVFB_PID=$xvfb QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
sleep 1

clip=$work/clip.mp4
ffmpeg -v error -nostdin -y -f lavfi -i "testsrc2=d=10:s=1280x720:r=25,fade=in:0:1" \
  -f lavfi -i sine=f=440:d=10 -c:v libx264 -preset veryfast -c:a aac -ac 2 "$clip"

value() { sed -n "s/^$1=//p" "$2" | head -1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b > 0) printf "%.2f", a/b; else print "-" }'; }
sum() { awk -v a="$1" -v b="$2" 'BEGIN{ printf "%.3f\n", a + b }'; }

for pair in opengl software; do
  if [ $pair = opengl ]; then
    renderer=opengl mpv_output=(--vo=gpu --gpu-context=x11egl --gpu-sw=yes)
  else
    renderer=software mpv_output=(--vo=x11)
  fi
  for _ in $(seq "$rounds"); do
    QT_XCB_GL_INTEGRATION=xcb_egl TRANSCAST_PREVIEW_RENDERER=$renderer "$bench" ours "$clip" >"$work/ours.out" 2>"$work/ours.err" || true
    size=$(value panel "$work/ours.out")
    value first-picture-ms "$work/ours.out" >>"$work/$pair-ours-first"
    sum "$(value cpu-client "$work/ours.out")" "$(value cpu-server "$work/ours.out")" \
      >>"$work/$pair-ours-cpu"
    value dropped "$work/ours.out" >>"$work/$pair-ours-dropped"
    value lateness-p95-ms "$work/ours.out" >>"$work/$pair-ours-late"

    "$bench" mpv "${size%x*}" "${size#*x}" "$clip" --no-config --ao=null --no-osc \
      --no-input-default-bindings --hwdec=no "${mpv_output[@]}" >"$work/mpv.out" 2>"$work/mpv.err" || true
    value first-picture-ms "$work/mpv.out" >>"$work/$pair-mpv-first"
    sum "$(value cpu-client "$work/mpv.out")" "$(value cpu-server "$work/mpv.out")" \
      >>"$work/$pair-mpv-cpu"
    value dropped "$work/mpv.out" >>"$work/$pair-mpv-dropped"
  done
  first=$(median <"$work/$pair-ours-first") base_first=$(median <"$work/$pair-mpv-first")
  cpu=$(median <"$work/$pair-ours-cpu") base_cpu=$(median <"$work/$pair-mpv-cpu")
  dropped=$(sort -n "$work/$pair-ours-dropped" | tail -1)
  base_dropped=$(sort -n "$work/$pair-mpv-dropped" | tail -1)
  echo "$pair, frames dropped per round: ours $(tr '\n' ' ' <"$work/$pair-ours-dropped")," \
    "mpv $(tr '\n' ' ' <"$work/$pair-mpv-dropped")"
  late=$(median <"$work/$pair-ours-late")
  echo "$pair, medians of $rounds rounds, panel $size: first picture ${first} ms" \
    "(mpv ${base_first} ms); CPU ${cpu} s/s (mpv ${base_cpu} s/s); most frames dropped" \
    "in a round ${dropped} (mpv ${base_dropped}); 10 ms timer lateness p95 ${late} ms"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "preview $pair: play to first picture on screen vs bare mpv start" "$first ms" \
    "$base_first ms" "$(ratio "$first" "$base_first")" "ratio <= 1.2"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "preview $pair: CPU per second of 720p playback (player + X server) vs bare mpv" \
    "$cpu s" "$base_cpu s" "$(ratio "$cpu" "$base_cpu")" "ratio <= 1.3"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "preview $pair: frames dropped in 6 s of 25 fps 720p (worst round)" "$dropped" \
    "$base_dropped" "-" "ours <= 0"
  printf 'bench-result: %s | %s | %s | %s | %s\n' \
    "preview $pair: 10 ms timer lateness p95 while playing" "$late ms" "-" "-" "ours <= 20"
done
