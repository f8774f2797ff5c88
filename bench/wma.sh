#!/usr/bin/env bash
# quillon-wmaenc against ffmpeg's own wmav2 encoder on the same 3-minute WAV
# and the same profile. Prints the median of 3 runs of each and, on its last
# line, "ratio R" = quillon-wmaenc time / ffmpeg time (goal: R <= 1.05).
#
# Usage: bench/wma.sh [build-dir] [profile]     (defaults: build, 64_44_2)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
PROFILE=${2:-64_44_2}
WMAENC="$BUILD_DIR/bin/quillon-wmaenc"
[ -x "$WMAENC" ] || { echo "build quillon-wmaenc first ($WMAENC)" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 1; }

IFS=_ read -r KBPS KHZ CHANNELS <<<"$PROFILE"
case "$KHZ" in
  48) RATE=48000 ;; 44) RATE=44100 ;; 32) RATE=32000 ;; 22) RATE=22050 ;;
  16) RATE=16000 ;; 11) RATE=11025 ;; 8) RATE=8000 ;; *) echo "bad profile" >&2; exit 1 ;;
esac
(( KBPS < 24 )) && KBPS=24   # what quillon-wmaenc writes for the lowest profiles

source bench/lib.sh
bench_workdir
bench_music_wav "$WORK/in.wav"

seconds() { # command... -> wall-clock seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median3() { printf '%s\n' "$@" | sort -g | sed -n 2p; }

ours=(); theirs=()
for _ in 1 2 3; do
  ours+=("$(seconds "$WMAENC" -input "$WORK/in.wav" -output "$WORK/ours.wma" -a_setting "$PROFILE")")
  theirs+=("$(seconds ffmpeg -v error -y -i "$WORK/in.wav" -ar "$RATE" -ac "$CHANNELS" \
      -c:a wmav2 -b:a "${KBPS}k" "$WORK/theirs.wma")")
done
OURS=$(median3 "${ours[@]}")
THEIRS=$(median3 "${theirs[@]}")
printf 'profile %s\nquillon-wmaenc %.3f s (runs: %s)\nffmpeg         %.3f s (runs: %s)\n' \
  "$PROFILE" "$OURS" "${ours[*]}" "$THEIRS" "${theirs[*]}"
printf 'sizes: ours %s bytes, ffmpeg %s bytes\n' \
  "$(stat -c %s "$WORK/ours.wma")" "$(stat -c %s "$WORK/theirs.wma")"
printf 'ratio %.3f\n' "$(echo "$OURS / $THEIRS" | bc -l)"
