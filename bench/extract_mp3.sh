#!/usr/bin/env bash
# A 45-minute disc of 10 tracks to MP3: 'quillon extract --format mp3' against
# (a) cd-paranoia + lame -b 128 -m j track by track and (b) cd-paranoia for
# every track, then one lame per core. Runs interleaved, medians; the last
# line is "ratio R" = Quillon / the faster peer (goal: R <= 0.75 on two
# cores). CPUS=1 bench/extract_mp3.sh measures on one core.
source "$(dirname "$0")/extract_common.sh"
command -v lame >/dev/null || { echo "lame is needed" >&2; exit 1; }
lame_encode() { lame --quiet -b 128 -m j "$1" "$2"; }
export -f lame_encode
quillon=() sequence=() parallel=()
for r in $(seq 1 "$RUNS"); do
  time_it quillon quillon_extract mp3
  time_it sequence peer_sequence mp3 bash -c 'lame_encode "$0" "$1"'
  time_it parallel peer_parallel mp3 bash -c 'lame_encode "$0" "$1"'
done
ratio quillon sequence parallel
