#!/usr/bin/env bash
# Install what is missing, build, and start Quillon.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
exec "$BUILD_DIR/bin/quillon" "$@"
