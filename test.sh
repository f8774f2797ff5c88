#!/usr/bin/env bash
# Install what is missing, check the formatting, build, and run every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/check-format.sh
BUILD_DIR=${BUILD_DIR:-build}
./scripts/build.sh -DQUILLON_TESTS=ON
export QT_QPA_PLATFORM=offscreen
cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)" "$@"
