#!/usr/bin/env bash
# A 45-minute disc of 10 tracks to WAV: 'quillon extract --format wav' against
# copying the disc image (the least any reader must do). Runs interleaved,
# medians; the last line is "ratio R" = Quillon / the copy (goal: R <= 1.5).
# Quillon syncs every file to the disk before it takes its name; the copy
# stays in the page cache. A copy synced the same way is shown beside it.
source "$(dirname "$0")/extract_common.sh"
copy_image() {
  rm -f "$WORK/copy.bin"
  "${PIN[@]}" cp "$WORK/disc.bin" "$WORK/copy.bin"
}
copy_image_synced() {
  copy_image
  sync "$WORK/copy.bin"
}
quillon=() copy=() copy_synced=()
for r in $(seq 1 "$RUNS"); do
  time_it quillon quillon_extract wav
  time_it copy copy_image
  time_it copy_synced copy_image_synced
done
ratio quillon copy_synced copy
