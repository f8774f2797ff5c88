#!/usr/bin/env bash
# What the ReplayGain measurement adds to an extraction: 'quillon extract' of
# a 10-track disc image with [ReplayGain] Enabled=1 against Enabled=0, runs
# interleaved, medians. The last line is "ratio R" = with / without
# (goal: R <= 1.05). The CPU time (user + sys) of each run is shown too: on
# a busy machine it moves less than the wall clock.
#
# Environment: RUNS (3), SECONDS_PER_TRACK (180), FORMAT (flac; mp3, ogg...),
# BIN: a folder with a built quillon and quillon-discgen (else the program
# is built in build-bench, as the other benches do), DRIVE=N: read the audio
# CD in drive N ('quillon drives') instead of a generated image. An image is
# read as fast as the cores allow, so every second of measuring shows; a
# drive's reading leaves the cores waiting, which the measuring fills.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/lib.sh
RUNS=${RUNS:-3}
SECONDS_PER_TRACK=${SECONDS_PER_TRACK:-180}
FORMAT=${FORMAT:-flac}
command -v bc >/dev/null || { echo "bc is needed" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is needed (package time)" >&2; exit 1; }
if [ -z "${BIN:-}" ]; then
  BUILD_DIR=build-bench ./scripts/build.sh -DQUILLON_BENCH=ON -DQUILLON_TESTS=OFF >/dev/null
  BIN="$(pwd)/build-bench/bin"
fi

bench_workdir
if [ -n "${DRIVE:-}" ]; then
  source_args=(--drive "$DRIVE")
  what="the disc in drive $DRIVE"
else
  tracks=()
  for i in $(seq 1 10); do tracks+=("${SECONDS_PER_TRACK}s:noise:$i"); done
  "$BIN/quillon-discgen" "$WORK/disc.cue" "${tracks[@]}" >/dev/null
  source_args=(--cd-image "$WORK/disc.cue")
  what="10 x ${SECONDS_PER_TRACK} s"
fi
for gain in 0 1; do
  mkdir -p "$WORK/home$gain"
  # No database lookups: the bench stays off the network.
  printf '[ReplayGain]\nEnabled=%s\n[Verify]\nAccurateRip=0\nCTDB=0\n' "$gain" >"$WORK/home$gain/options.ini"
done
echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $FORMAT, $what"

# extract GAIN: "WALL CPU" seconds of one whole extraction with ReplayGain
# on (1) or off (0).
extract() {
  rm -rf "$WORK/out"
  local start end n cpu
  start=$(now)
  QUILLON_HOME="$WORK/home$1" /usr/bin/time -f '%U %S' -o "$WORK/cpu" "$BIN/quillon" extract \
    "${source_args[@]}" --metadata stored --format "$FORMAT" --output "$WORK/out" \
    >/dev/null 2>&1
  end=$(now)
  n=$(find "$WORK/out" -name "*.$FORMAT" | wc -l)
  [ "$n" -gt 0 ] && { [ -n "${DRIVE:-}" ] || [ "$n" -eq 10 ]; } ||
    { echo "quillon made $n .$FORMAT files" >&2; exit 1; }
  cpu=$(awk '{print $1 + $2}' "$WORK/cpu")
  echo "$(echo "$end - $start" | bc -l) $cpu"
}

on=() off=() cpu_on=() cpu_off=()
for r in $(seq 1 "$RUNS"); do
  run=$(extract 0); read -r t c <<<"$run"; off+=("$t"); cpu_off+=("$c")
  printf 'without ReplayGain %6.2f s (cpu %6.2f s)\n' "$t" "$c"
  run=$(extract 1); read -r t c <<<"$run"; on+=("$t"); cpu_on+=("$c")
  printf 'with ReplayGain    %6.2f s (cpu %6.2f s)\n' "$t" "$c"
done
m_on=$(printf '%s\n' "${on[@]}" | median)
m_off=$(printf '%s\n' "${off[@]}" | median)
c_on=$(printf '%s\n' "${cpu_on[@]}" | median)
c_off=$(printf '%s\n' "${cpu_off[@]}" | median)
printf 'median without %.2f s (cpu %.2f s), with %.2f s (cpu %.2f s)\n' "$m_off" "$c_off" "$m_on" "$c_on"
printf 'cpu ratio %.3f\n' "$(echo "$c_on / $c_off" | bc -l)"
printf 'ratio %.3f\n' "$(echo "$m_on / $m_off" | bc -l)"
