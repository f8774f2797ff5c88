#!/usr/bin/env bash
# A 45-minute disc of 10 tracks to Ogg Vorbis: 'quillon extract --format ogg'
# (quality 2, the settings' default) against (a) cd-paranoia + oggenc -q 2
# track by track and (b) cd-paranoia for every track, then one oggenc per
# core. Runs interleaved, medians; the last line is "ratio R" = Quillon / the
# faster peer (goal: R <= 0.75 on two cores). CPUS=1 measures on one core.
source "$(dirname "$0")/extract_common.sh"
command -v oggenc >/dev/null || { echo "oggenc is needed (vorbis-tools)" >&2; exit 1; }
ogg_encode() { oggenc -Q -q 2 -o "$2" "$1"; }
export -f ogg_encode
quillon=() sequence=() parallel=()
for r in $(seq 1 "$RUNS"); do
  time_it quillon quillon_extract ogg
  time_it sequence peer_sequence ogg bash -c 'ogg_encode "$0" "$1"'
  time_it parallel peer_parallel ogg bash -c 'ogg_encode "$0" "$1"'
done
ratio quillon sequence parallel
