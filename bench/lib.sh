# Shared by the bench scripts: source it after `cd` to the repository.
#   bench_workdir            WORK=a fresh temporary folder, removed on exit
#   bench_music_wav PATH     three minutes of CD-format audio (pink noise under
#                            a tone, so that an encoder has work on every band)
#   median                   the median of the numbers on stdin, one a line
#   now                      the wall clock in seconds

bench_workdir() {
  WORK=$(mktemp -d)
  trap 'rm -rf "$WORK"' EXIT
}

bench_music_wav() {
  ffmpeg -v error -f lavfi -i "anoisesrc=color=pink:amplitude=0.3:duration=180:sample_rate=44100" \
    -f lavfi -i "sine=frequency=440:duration=180:sample_rate=44100" \
    -filter_complex "[0][1]amix=inputs=2,aformat=sample_fmts=s16:channel_layouts=stereo" \
    -ar 44100 -c:a pcm_s16le "$1"
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
now() { date +%s.%N; }
