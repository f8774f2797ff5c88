#!/usr/bin/env bash
# Resampling 5-minute 16-bit stereo WAV files to 44100 Hz: Quillon's chain
# (reader -> rate converter -> writer) against `sox IN -r 44100 OUT`, from
# 22050 and from 48000 Hz. Three runs each; Quillon's output data is also
# compared byte for byte with a plain single-threaded model of the algorithm.
# The last line is "ratio R": Quillon's median time over sox's, the worse of
# the two cases.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
RUNS=${RUNS:-3}
SECONDS_LONG=${SECONDS_LONG:-300}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLON_BENCH=ON \
  -DQUILLON_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target quillon-bench-resample >/dev/null
BIN="$BUILD_DIR/bin"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

worst=0
for rate in 22050 48000; do
  src="$WORK/in$rate.wav"
  # Music-like content: two tones and some pink noise.
  sox -n -r "$rate" -c 2 -b 16 "$src" synth "$SECONDS_LONG" sine 440 sine 1250 \
    synth pinknoise mix vol 0.5 2>/dev/null
  "$BIN/quillon-bench-resample" "$src" "$WORK/ref$rate.raw" 44100 --reference
  quillon_times=()
  for r in $(seq 1 "$RUNS"); do
    rm -f "$WORK/q$rate.wav"
    start=$(now)
    "$BIN/quillon-bench-resample" "$src" "$WORK/q$rate.wav" 44100
    end=$(now)
    quillon_times+=("$(echo "$end - $start" | bc -l)")
    echo "$rate Hz: quillon run $r: ${quillon_times[-1]} s"
  done
  if cmp -s <(tail -c +45 "$WORK/q$rate.wav") <(tail -c +45 "$WORK/ref$rate.raw"); then
    echo "$rate Hz: output identical to the single-threaded reference"
  else
    echo "$rate Hz: output DIFFERS from the single-threaded reference" >&2
    exit 1
  fi
  sox_times=()
  for r in $(seq 1 "$RUNS"); do
    rm -f "$WORK/s$rate.wav"
    start=$(now)
    sox "$src" -r 44100 "$WORK/s$rate.wav"
    end=$(now)
    sox_times+=("$(echo "$end - $start" | bc -l)")
    echo "$rate Hz: sox run $r: ${sox_times[-1]} s"
  done
  q=$(printf '%s\n' "${quillon_times[@]}" | median)
  s=$(printf '%s\n' "${sox_times[@]}" | median)
  ratio=$(echo "$q / $s" | bc -l)
  printf '%s Hz: quillon median %.3f s, sox median %.3f s, ratio %.3f\n' "$rate" "$q" "$s" "$ratio"
  if (( $(echo "$ratio > $worst" | bc -l) )); then worst=$ratio; fi
done
printf 'ratio %.3f\n' "$worst"
