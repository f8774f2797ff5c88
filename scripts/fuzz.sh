#!/usr/bin/env bash
# Builds the libFuzzer targets under ASan/UBSan and runs them, one after the
# other, each until RUNS executions or SECONDS_EACH seconds, whichever comes first.
#
#   scripts/fuzz.sh                      every target, 10^7 runs or an hour each
#   scripts/fuzz.sh fuzz_ogg fuzz_ini    only these
#   RUNS=100000 SECONDS_EACH=60 scripts/fuzz.sh
#
# Corpora grow in build-fuzz/corpus/TARGET (the seeds in tests/ are only read),
# logs go to build-fuzz/logs/TARGET.log, and a crash leaves its input in
# build-fuzz/artifacts/. The last lines printed are a table: target, runs,
# seconds, result. Exit status 1 when any target stopped with a finding or an
# error (its log says which), 2 for an unknown target name.
set -euo pipefail
cd "$(dirname "$0")/.."

RUNS=${RUNS:-10000000}
SECONDS_EACH=${SECONDS_EACH:-3600}
BUILD=build-fuzz

# target → its seed folders (read only); MAX_LEN: longer inputs than 4096 bytes
declare -A SEEDS=(
  [fuzz_wave_reader]=""
  [fuzz_disc_image]="tests/fuzz/seeds/disc_image"
  [fuzz_ini]="tests/fuzz/seeds/ini lang"
  [fuzz_id3v1]="tests/fuzz/seeds/id3v1"
  [fuzz_ogg]="tests/fuzz/seeds/ogg"
  [fuzz_encoder_lines]="tests/fuzz/seeds/encoder_lines"
  [fuzz_cli_args]="tests/fuzz/seeds/cli_args"
  [cddb_entry_fuzz]="tests/cddb_fuzz/seeds"
  [verify_answers_fuzz]=""
)
declare -A MAX_LEN=([fuzz_ini]=8192 [fuzz_wave_reader]=20000)
ALL=(fuzz_wave_reader fuzz_disc_image fuzz_ini fuzz_id3v1 fuzz_ogg
     fuzz_encoder_lines fuzz_cli_args cddb_entry_fuzz verify_answers_fuzz)

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${ALL[@]}")
for t in "${targets[@]}"; do
  if [ -z "${SEEDS[$t]+set}" ]; then
    echo "fuzz.sh: no fuzz target called $t (targets: ${ALL[*]})" >&2
    exit 2
  fi
done

./scripts/install-fuzz-deps.sh
CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DQUILLON_FUZZ=ON \
  -DQUILLON_SANITIZE=ON -DQUILLON_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target "${targets[@]}"

mkdir -p "$BUILD/logs" "$BUILD/artifacts"
summary=()
failed=0
for t in "${targets[@]}"; do
  corpus="$BUILD/corpus/$t"
  log="$BUILD/logs/$t.log"
  mkdir -p "$corpus"
  if [ "$t" = fuzz_wave_reader ] && [ -z "$(ls -A "$corpus")" ] && command -v sox >/dev/null; then
    # A few short WAV files in the encodings the reader handles.
    for enc in signed-integer ima-adpcm ms-adpcm a-law u-law floating-point; do
      sox -n -r 8000 -c 2 -e "$enc" "$corpus/seed-$enc.wav" synth 0.05 sine 440 2>/dev/null || true
    done
  fi
  # shellcheck disable=SC2086  # the seed list is meant to split into folders
  seeds=(${SEEDS[$t]})
  started=$(date +%s)
  result="no crash"
  status=0
  LSAN_OPTIONS=suppressions=tests/fuzz/lsan.supp nice -n 19 "$BUILD/bin/$t" \
      -runs="$RUNS" -max_total_time="$SECONDS_EACH" -max_len="${MAX_LEN[$t]:-4096}" \
      -artifact_prefix="$BUILD/artifacts/$t-" -print_final_stats=1 \
      "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    result="stopped with status $status, see $log"
    failed=1
  fi
  took=$(( $(date +%s) - started ))
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
  summary+=("$(printf '%-22s %12s %7s  %s' "$t" "${runs:-?}" "$took" "$result")")
  echo "${summary[-1]}"
done

printf '\n%-22s %12s %7s  %s\n' target runs seconds result
printf '%s\n' "${summary[@]}"
exit $failed
