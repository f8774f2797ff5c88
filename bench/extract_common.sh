# Shared by bench/extract_{mp3,ogg,wav}.sh (sourced): builds the real program
# in the one bench build folder with the configuration the program ships with
# (scripts/build.sh's), makes a disc image of 10 tracks, and times commands.
#
# Environment: RUNS (3), SECONDS_PER_TRACK (270: a 45-minute disc),
# CPUS=1 runs every side on the first core only (taskset -c 0), READ_MODE
# (burst, secure or auto) sets Quillon's read mode.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
RUNS=${RUNS:-3}
SECONDS_PER_TRACK=${SECONDS_PER_TRACK:-270}
for tool in cd-paranoia bc; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done

BUILD_DIR="$BUILD_DIR" ./scripts/build.sh -DQUILLON_BENCH=ON -DQUILLON_TESTS=OFF >/dev/null
BIN="$(pwd)/$BUILD_DIR/bin"

if [ "${CPUS:-}" = 1 ]; then
  PIN=(taskset -c 0)
  CORES=1
else
  PIN=()
  CORES=$(nproc)
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
tracks=()
for i in $(seq 1 10); do tracks+=("${SECONDS_PER_TRACK}s:noise:$i"); done
"$BIN/quillon-discgen" "$WORK/disc.cue" "${tracks[@]}" >/dev/null
# Quillon's settings: the defaults (MP3 -b 128 -m j, Ogg quality 2) in a
# folder of their own, nothing looked up on the network.
mkdir -p "$WORK/home"
export QUILLON_HOME="$WORK/home"
# READ_MODE=burst reads once and as plainly as the peers' 'cd-paranoia -Z'.
# The default ("auto") reads a track that no database knows (every track of
# this generated disc) a second time, securely.
if [ -n "${READ_MODE:-}" ]; then
  printf '[Verify]\nReadMode=%s\n' "$READ_MODE" >"$WORK/home/options.ini"
fi

echo "machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), ${CORES} core(s) used, read mode ${READ_MODE:-default}"

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }

# time_it NAME COMMAND...: runs the command, appends its seconds to the
# array named NAME and prints them.
time_it() {
  local name=$1
  shift
  local start end
  start=$(now)
  "$@"
  end=$(now)
  local t
  t=$(echo "$end - $start" | bc -l)
  eval "$name+=(\"$t\")"
  printf '%-28s %6.2f s\n' "$name" "$t"
}

# Quillon through its command line, every track of the image into $WORK/q.
quillon_extract() {
  rm -rf "$WORK/q"
  "${PIN[@]}" "$BIN/quillon" extract --cd-image "$WORK/disc.cue" --metadata stored \
    --format "$1" --output "$WORK/q" >/dev/null 2>&1
  local n
  n=$(find "$WORK/q" -name "*.$1" | wc -l)
  [ "$n" -eq 10 ] || { echo "quillon made $n .$1 files, not 10" >&2; exit 1; }
}

# cd-paranoia reads track $1 into $2 as a plain read, as Quillon reads.
rip_track() {
  "${PIN[@]}" cd-paranoia -q -Z -d "$WORK/disc.cue" "$1" "$2" >/dev/null 2>&1
}

# The peers, given an encoder command that takes "IN OUT": (a) read and
# encode track by track; (b) read every track, then one encoder per core.
peer_sequence() {
  local ext=$1
  shift
  rm -rf "$WORK/p"
  mkdir -p "$WORK/p"
  for t in $(seq 1 10); do
    rip_track "$t" "$WORK/p/t$t.wav"
    "${PIN[@]}" "$@" "$WORK/p/t$t.wav" "$WORK/p/t$t.$ext"
    rm -f "$WORK/p/t$t.wav"
  done
}
peer_parallel() {
  local ext=$1
  shift
  rm -rf "$WORK/p"
  mkdir -p "$WORK/p"
  for t in $(seq 1 10); do rip_track "$t" "$WORK/p/t$t.wav"; done
  seq 1 10 | "${PIN[@]}" xargs -P "$CORES" -I{} "$@" "$WORK/p/t{}.wav" "$WORK/p/t{}.$ext"
  rm -f "$WORK"/p/*.wav
}

# ratio QUILLON_TIMES PEER_TIMES...: the last line, Quillon's median over
# the faster peer's.
ratio() {
  local -n qs=$1
  shift
  local q best=""
  q=$(printf '%s\n' "${qs[@]}" | median)
  for name in "$@"; do
    local -n ps=$name
    local p
    p=$(printf '%s\n' "${ps[@]}" | median)
    echo "median $name $p s"
    if [ -z "$best" ] || [ "$(echo "$p < $best" | bc -l)" = 1 ]; then best=$p; fi
  done
  echo "median quillon $q s"
  printf 'ratio %.3f\n' "$(echo "$q / $best" | bc -l)"
}
