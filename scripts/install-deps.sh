#!/usr/bin/env bash
# The one list of Debian 12 packages Quillon needs to build, run and test.
# Idempotent: installs only what is missing and stays quiet when nothing is.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache
  # the format check of test.sh (pinned to this version)
  clang-format-14
  # Qt 6 (Core, Gui, Widgets, Test)
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # CD access
  libcdio-dev libcdio-paranoia-dev
  # web services over HTTP (CDDB, MusicBrainz, cover art) and disc ids
  libcurl4-openssl-dev libdiscid-dev
  # sound card
  libasound2-dev
  # compressed WAV decoding and the WMA utility
  libavcodec-dev libavformat-dev libavutil-dev libswresample-dev
  # sample-rate conversion
  libsoxr-dev
  # tags, FLAC and Opus output, loudness
  libtag1-dev libflac-dev libopusenc-dev libebur128-dev
  # CRC-32 of verified rips
  zlib1g-dev
  # Ogg Vorbis (bound at run time, headers for the declarations)
  libogg-dev libvorbis-dev
  # the MP3 encoder the program starts
  lame
  # tests: GoogleTest, reference tools for known answers
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  sox ffmpeg vorbis-tools cd-paranoia libcdio-utils flac opus-tools
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
