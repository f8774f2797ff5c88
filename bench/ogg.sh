#!/usr/bin/env bash
# WAV to Ogg Vorbis: Quillon's Vorbis step (quillon-bench-ogg: WAV reader ->
# Vorbis writer) against oggenc at the same quality on the same 3-minute WAV.
# Three runs each; prints both medians and, on its last line, "ratio R" with
# R = Quillon's median time / oggenc's median time (goal: R <= 1.05).
# Quillon's time is the encoding as the program runs it, measured inside the
# driver (the running program does not start up per file); the start-up of
# the driver process (Qt and every library the core links) is shown apart.
#
# Usage: bench/ogg.sh [quality]     (default 2, i.e. the slider's 30)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
RUNS=${RUNS:-3}
QUALITY=${1:-2}
command -v oggenc >/dev/null || { echo "oggenc is needed (vorbis-tools)" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is needed" >&2; exit 1; }

BUILD_DIR="$BUILD_DIR" ./scripts/build.sh -DQUILLON_BENCH=ON -DQUILLON_TESTS=OFF >/dev/null
BIN="$BUILD_DIR/bin"

source bench/lib.sh
bench_workdir
bench_music_wav "$WORK/in.wav"

ours=(); ours_process=(); theirs=()
for r in $(seq 1 "$RUNS"); do
  start=$(now)
  ours+=("$("$BIN/quillon-bench-ogg" "$WORK/in.wav" "$WORK/q.ogg" "$QUALITY")")
  ours_process+=("$(echo "$(now) - $start" | bc -l)")
  start=$(now)
  oggenc -Q -q "$QUALITY" -o "$WORK/o.ogg" "$WORK/in.wav"
  theirs+=("$(echo "$(now) - $start" | bc -l)")
done
q=$(printf '%s\n' "${ours[@]}" | median)
o=$(printf '%s\n' "${theirs[@]}" | median)
p=$(printf '%s\n' "${ours_process[@]}" | median)
echo "quillon  median ${q} s (${p} s with process start-up)  size $(stat -c %s "$WORK/q.ogg") bytes"
echo "oggenc   median ${o} s  size $(stat -c %s "$WORK/o.ogg") bytes"
printf 'ratio %.3f\n' "$(echo "$q / $o" | bc -l)"
