#!/usr/bin/env bash
# Extra packages for the libFuzzer targets (tests/fuzz, -DQUILLON_FUZZ=ON):
# clang and its sanitizer/fuzzer runtime. Not needed for the normal build.
set -euo pipefail
PACKAGES=(clang-14 libclang-rt-14-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends "${missing[@]}" >/dev/null
