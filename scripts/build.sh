#!/usr/bin/env bash
# Configure and build into $BUILD_DIR (default build/). Extra arguments go to
# the configure step. Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
mkdir -p "$BUILD_DIR"

# Qt's automoc in an existing build tree does not always notice a header that
# was added since the last build (after a merge, say), which ends in "undefined
# reference to vtable". When the set of headers changed, let it rescan all.
headers_now=$(find src tests tools -name '*.h' 2>/dev/null | sort | md5sum | cut -d' ' -f1)
stamp="$BUILD_DIR/.quillon-headers"
if [ "$(cat "$stamp" 2>/dev/null)" != "$headers_now" ]; then
  find "$BUILD_DIR" -type d -name '*_autogen' -prune -exec rm -rf {} +
fi

cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
echo "$headers_now" > "$stamp"
