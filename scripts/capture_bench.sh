#!/usr/bin/env bash
# Times whole-demo captures with their music, for the README's figures. Run it
# on an otherwise idle machine: the wall-clock times are what it is for.
#   scripts/capture_bench.sh            1280x720 at 30 fps: a single process with the preset it
#                                       shipped with (medium) and with today's, then a worker per core
#   scripts/capture_bench.sh --full     that, and 1920x1080 at 60 fps the same three ways
#   scripts/capture_bench.sh --presets  x264's medium, faster and veryfast at crf 18 (a worker
#                                       per core): time, size and SSIM against the --master decode
# Each line: wall-clock and CPU seconds (user+sys of the whole process tree), the
# video's size, how far off the progress line's time left was at worst (from 10 %
# of the frames on, while 10 s or more were left) and the load average before and after.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh video >/dev/null
capture=$PWD/build/capture
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
demo_s=121.3

# estimate_error LOG: the worst error of the time left on the capture's
# progress lines from 10 % of the frames on, while at least 10 s were still to
# come, against the time the frames then still took (each line's time is its
# frames over its rate).
estimate_error() {
  grep -o '[0-9]*/[0-9]* frames .* left' "$1" | awk '
    $NF == "left" && $(NF - 1) !~ /-/ {
      split($1, f, "/")
      for (i = 1; i <= NF; i++) if ($i == "fps") fps = $(i - 1)
      c = split($(NF - 1), t, ":")
      n++
      share[n] = f[1] / f[2]; at[n] = f[1] / fps
      shown[n] = c == 3 ? t[1] * 3600 + t[2] * 60 + t[3] : t[1] * 60 + t[2]
    }
    END {
      worst = 0
      for (i = 1; i <= n; i++) {
        real = at[n] - at[i]
        if (share[i] < 0.1 || real < 10) continue
        e = (shown[i] - real) / real; if (e < 0) e = -e; if (e > worst) worst = e
      }
      printf "%.0f %%", 100 * worst
    }'
}

# capture NAME ARGUMENTS...: one timed capture into $out/NAME; sets wall.
capture() {
  local name=$1 load time
  shift
  load=$(cut -d' ' -f1 /proc/loadavg)
  TIMEFORMAT='%R %U %S'
  { time "$capture" "$@" -o "$out/$name" 2>"$out/$name.log" >/dev/null; } 2>"$out/time" ||
    { tail -3 "$out/$name.log"; exit 1; }
  read -r wall user sys <"$out/time"
  printf '| %-40s | %7.1f s | %7.1f s | %5.1f MB | %5s | %s -> %s |\n' "$name $*" "$wall" \
    "$(awk "BEGIN { print $user + $sys }")" "$(awk "BEGIN { print $(stat -c %s "$out/$name") / 1e6 }")" \
    "$(estimate_error "$out/$name.log")" "$load" "$(cut -d' ' -f1 /proc/loadavg)"
}

# side_by_side SIZE FPS: the single process as it shipped (x264's medium),
# the single process now, and a worker per core.
side_by_side() {
  capture "$1-$2-jobs1-medium.mp4" --size "$1" --fps "$2" --jobs 1 --preset medium
  local shipped=$wall
  capture "$1-$2-jobs1.mp4" --size "$1" --fps "$2" --jobs 1
  local single=$wall
  capture "$1-$2.mp4" --size "$1" --fps "$2"
  awk "BEGIN { printf \"workers: %.2fx the time of the single process as shipped, %.2fx of the single process now, %.2fx the demo's %s s\\n\", \
    $wall / $shipped, $wall / $single, $wall / $demo_s, $demo_s }"
}

echo "$(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2)"
echo '| run | wall | CPU | size | time left off by | load |'
echo '|---|---|---|---|---|---|'
case "${1:-}" in
  --presets)
    capture master.mkv --size 1280x720 --fps 30 --master
    for preset in medium faster veryfast; do
      capture "$preset.mp4" --size 1280x720 --fps 30 --preset "$preset" --crf 18
      ffmpeg -nostdin -i "$out/$preset.mp4" -i "$out/master.mkv" -lavfi \
        "[1:v]scale=out_color_matrix=bt709:out_range=tv,format=yuv420p[ref];[0:v][ref]ssim" -f null - 2>&1 |
        grep -o 'SSIM Y.*' | sed "s/^/$preset: /"
    done
    ;;
  --full)
    side_by_side 1280x720 30
    side_by_side 1920x1080 60
    ;;
  *)
    side_by_side 1280x720 30
    ;;
esac
