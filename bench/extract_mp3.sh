#!/usr/bin/env bash
# Extracting a 10-track disc image to MP3: Quillon's job engine against
# cd-paranoia + lame run one after the other on the same image, with the same
# lame switches (-b 128 -m j). Three runs each; the last line is
# "ratio R" with R = Quillon's median time / the peers' median time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
RUNS=${RUNS:-3}
SECONDS_PER_TRACK=${SECONDS_PER_TRACK:-20}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BENCH=ON \
  -DQUILLON_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target quillon-discgen quillon-bench-extract >/dev/null
BIN="$BUILD_DIR/bin"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
tracks=()
for i in $(seq 1 10); do tracks+=("${SECONDS_PER_TRACK}s:noise:$i"); done
"$BIN/quillon-discgen" "$WORK/disc.cue" "${tracks[@]}" >/dev/null

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

quillon_times=()
for r in $(seq 1 "$RUNS"); do
  rm -rf "$WORK/q"
  start=$(now)
  "$BIN/quillon-bench-extract" "$WORK/disc.cue" "$WORK/q" mp3 >/dev/null
  end=$(now)
  n=$(ls "$WORK/q"/*.mp3 | wc -l)
  [ "$n" -eq 10 ] || { echo "quillon made $n MP3 files, not 10" >&2; exit 1; }
  quillon_times+=("$(echo "$end - $start" | bc -l)")
  echo "quillon run $r: ${quillon_times[-1]} s"
done

peer_times=()
for r in $(seq 1 "$RUNS"); do
  rm -rf "$WORK/p"; mkdir -p "$WORK/p"
  start=$(now)
  for t in $(seq 1 10); do
    # -Z: plain reads without verification, as Quillon reads.
    cd-paranoia -q -Z -d "$WORK/disc.cue" "$t" "$WORK/p/track$t.wav" >/dev/null 2>&1
    lame --quiet -b 128 -m j "$WORK/p/track$t.wav" "$WORK/p/track$t.mp3"
    rm -f "$WORK/p/track$t.wav"
  done
  end=$(now)
  peer_times+=("$(echo "$end - $start" | bc -l)")
  echo "cd-paranoia + lame run $r: ${peer_times[-1]} s"
done

q=$(printf '%s\n' "${quillon_times[@]}" | median)
p=$(printf '%s\n' "${peer_times[@]}" | median)
echo "median quillon $q s, median peers $p s"
printf 'ratio %.3f\n' "$(echo "$q / $p" | bc -l)"
