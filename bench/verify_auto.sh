#!/usr/bin/env bash
# Verified reading of an intact 8-track disc image that the databases know:
# "quillon verify --read-mode auto" (burst reads checked against AccurateRip
# and the CTDB, served here on 127.0.0.1 from what quillon-discgen says the
# disc holds) against "--read-mode burst" (the same reads, no checking needed
# to decide anything). Auto mode must not read a confirmed track twice, so it
# should cost little more than burst. Five runs each, alternating; the last
# line is "ratio R" with R = auto's median time / burst's median time.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
RUNS=${RUNS:-5}
SECONDS_PER_TRACK=${SECONDS_PER_TRACK:-60}

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j2 --target quillon quillon-discgen >/dev/null
BIN="$BUILD_DIR/bin"

WORK=$(mktemp -d)
SERVER=
cleanup() {
  [ -n "$SERVER" ] && kill "$SERVER" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
tracks=()
for i in $(seq 1 8); do tracks+=("${SECONDS_PER_TRACK}s:noise:$i"); done
"$BIN/quillon-discgen" "$WORK/disc.cue" "${tracks[@]}" --database "$WORK/db" >/dev/null

PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$PORT" --bind 127.0.0.1 --directory "$WORK/db" >/dev/null 2>&1 &
SERVER=$!
for _ in $(seq 1 50); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $PORT), 1)" 2>/dev/null && break
  sleep 0.1
done

export QUILLON_HOME="$WORK/home" QUILLON_ALLOWED_HOSTS=127.0.0.1
unset QUILLON_CD_IMAGES
mkdir -p "$QUILLON_HOME"
printf '[Verify]\nAccurateRipServer=http://127.0.0.1:%s\nCTDBServer=http://127.0.0.1:%s\n' \
  "$PORT" "$PORT" >"$QUILLON_HOME/options.ini"

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

# Runs one verify; checks that every track verified.
timed_verify() {
  local mode=$1 start end
  rm -rf "$WORK/out"
  start=$(now)
  "$BIN/quillon" verify --cd-image "$WORK/disc.cue" --read-mode "$mode" --output "$WORK/out" \
    >"$WORK/result.txt"
  end=$(now)
  n=$(grep -c "accurately ripped (confidence 5)" "$WORK/result.txt" || true)
  [ "$n" -eq 8 ] || { echo "$mode: $n of 8 tracks verified" >&2; cat "$WORK/result.txt" >&2; exit 1; }
  echo "$end - $start" | bc -l
}

auto_times=()
burst_times=()
for r in $(seq 1 "$RUNS"); do
  burst_times+=("$(timed_verify burst)")
  echo "burst run $r: ${burst_times[-1]} s"
  auto_times+=("$(timed_verify auto)")
  echo "auto run $r: ${auto_times[-1]} s"
done

a=$(printf '%s\n' "${auto_times[@]}" | median)
b=$(printf '%s\n' "${burst_times[@]}" | median)
echo "median auto $a s, median burst $b s"
printf 'ratio %.3f\n' "$(echo "$a / $b" | bc -l)"
