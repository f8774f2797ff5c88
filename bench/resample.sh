#!/usr/bin/env bash
# Resampling, quality and time: Quillon's rate converter against sox's default
# (`sox IN -r RATE OUT`, the tool a user would pick).
#
# Quality: a table for every rate pair the program performs (the conversion
# jobs bring 8000...32000 Hz up to 44100 Hz; the WAV to WAV window offers
# 8000...48000 Hz from any rate), measured on -6 dBFS tones on the bins of a
# 16384-point Blackman-Harris spectrum (see bench/resample/main.cpp).
# Time: `quillon resample --rate 44100` against sox on the same 5-minute
# stereo WAV file, from 22050, 32000 and 48000 Hz; three runs each. The last
# line is "ratio R": Quillon's median time over sox's, the worst of the three.
# Built as the program ships (RelWithDebInfo through scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
RUNS=${RUNS:-3}
SECONDS_LONG=${SECONDS_LONG:-300}
command -v sox >/dev/null || { echo "sox is needed" >&2; exit 1; }

BUILD_DIR="$BUILD_DIR" ./scripts/build.sh -DQUILLON_BENCH=ON -DQUILLON_TESTS=OFF >/dev/null
BIN="$BUILD_DIR/bin"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export QUILLON_HOME="$WORK/home"
mkdir -p "$QUILLON_HOME"

echo "| conversion | converter | passband to 0.45 x lower rate | -3 dB point | worst spur | images/aliases |"
echo "|---|---|---|---|---|---|"
pairs="8000:44100 11025:44100 12000:44100 16000:44100 22050:44100 24000:44100 32000:44100
       48000:44100 44100:8000 44100:11025 44100:12000 44100:16000 44100:22050 44100:24000
       44100:32000 44100:48000"
for pair in $pairs; do
  for engine in "" --sox; do
    # shellcheck disable=SC2086
    "$BIN/quillon-bench-resample" "${pair%%:*}" "${pair##*:}" $engine
  done
done

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

worst=0
for rate in 22050 32000 48000; do
  src="$WORK/in$rate.wav"
  # Music-like content: two tones and some pink noise.
  sox -n -r "$rate" -c 2 -b 16 "$src" synth "$SECONDS_LONG" sine 440 sine 1250 \
    synth pinknoise mix vol 0.5 2>/dev/null
  mkdir -p "$WORK/q"
  quillon_times=()
  sox_times=()
  for r in $(seq 1 "$RUNS"); do
    start=$(now)
    "$BIN/quillon" resample --rate 44100 --overwrite --output "$WORK/q" "$src" >/dev/null 2>&1
    end=$(now)
    quillon_times+=("$(echo "$end - $start" | bc -l)")
    start=$(now)
    sox "$src" -r 44100 "$WORK/s$rate.wav"
    end=$(now)
    sox_times+=("$(echo "$end - $start" | bc -l)")
    echo "$rate Hz run $r: quillon ${quillon_times[-1]} s, sox ${sox_times[-1]} s"
  done
  q=$(printf '%s\n' "${quillon_times[@]}" | median)
  s=$(printf '%s\n' "${sox_times[@]}" | median)
  ratio=$(echo "$q / $s" | bc -l)
  printf '%s Hz: quillon median %.3f s, sox median %.3f s, ratio %.3f\n' "$rate" "$q" "$s" "$ratio"
  if (( $(echo "$ratio > $worst" | bc -l) )); then worst=$ratio; fi
done
printf 'ratio %.3f\n' "$worst"
