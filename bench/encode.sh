#!/usr/bin/env bash
# WAV to FLAC or Opus: Quillon's writers (quillon-bench-encode: WAV reader ->
# FLAC/Opus writer) against `flac -5` or `opusenc --bitrate 160` on the same
# 3-minute WAV. Three runs each; prints the medians and sizes, the cost of
# the ReplayGain meter in the same chain, and on its last line "ratio R" with
# R = Quillon's median time / the tool's median time.
#
# Usage: bench/encode.sh flac|opus
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
RUNS=${RUNS:-3}
FORMAT=${1:-flac}
case "$FORMAT" in
  flac) command -v flac >/dev/null || { echo "flac is needed" >&2; exit 1; }; SETTING=5 ;;
  opus) command -v opusenc >/dev/null || { echo "opusenc is needed (opus-tools)" >&2; exit 1; }
        SETTING=160 ;;
  *) echo "usage: bench/encode.sh flac|opus" >&2; exit 2 ;;
esac
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 1; }

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BENCH=ON \
  -DQUILLON_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target quillon-bench-encode >/dev/null
BIN="$BUILD_DIR/bin"

source bench/lib.sh
bench_workdir
bench_music_wav "$WORK/in.wav"

ours=(); gained=(); theirs=(); verified=()
for r in $(seq 1 "$RUNS"); do
  ours+=("$("$BIN/quillon-bench-encode" "$FORMAT" "$WORK/in.wav" "$WORK/q.$FORMAT" "$SETTING")")
  gained+=("$("$BIN/quillon-bench-encode" "$FORMAT" "$WORK/in.wav" "$WORK/g.$FORMAT" "$SETTING" gain)")
  start=$(now)
  if [ "$FORMAT" = flac ]; then
    flac -s -f -5 -o "$WORK/t.flac" "$WORK/in.wav"
    theirs+=("$(echo "$(now) - $start" | bc -l)")
    # Ours always verifies; flac's own verify costs what ours does.
    start=$(now)
    flac -s -f -5 -V -o "$WORK/v.flac" "$WORK/in.wav"
    verified+=("$(echo "$(now) - $start" | bc -l)")
  else
    opusenc --quiet --bitrate 160 "$WORK/in.wav" "$WORK/t.opus"
    theirs+=("$(echo "$(now) - $start" | bc -l)")
  fi
done
q=$(printf '%s\n' "${ours[@]}" | median)
g=$(printf '%s\n' "${gained[@]}" | median)
t=$(printf '%s\n' "${theirs[@]}" | median)
tool=$([ "$FORMAT" = flac ] && echo "flac -5" || echo "opusenc")
echo "quillon  median ${q} s  size $(stat -c %s "$WORK/q.$FORMAT") bytes"
echo "${tool}  median ${t} s  size $(stat -c %s "$WORK/t.$FORMAT") bytes"
if [ "$FORMAT" = flac ]; then
  echo "flac -5 -V  median $(printf '%s\n' "${verified[@]}" | median) s"
fi
printf 'replaygain meter: %s s with it, %+.1f %% of the encoding\n' "$g" \
  "$(echo "($g - $q) / $q * 100" | bc -l)"
printf 'ratio %.3f\n' "$(echo "$q / $t" | bc -l)"
