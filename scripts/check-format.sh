#!/usr/bin/env bash
# Fails, naming the files, when a C++ source under src, tests, tools or bench
# differs from what the repository's .clang-format makes of it. Pinned to the
# clang-format of Debian 12: other versions break lines differently, and the
# check must give the same answer on every machine.
set -euo pipefail
cd "$(dirname "$0")/.."
CLANG_FORMAT=clang-format-14
if ! command -v "$CLANG_FORMAT" >/dev/null; then
  echo "check-format: $CLANG_FORMAT is missing (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

mapfile -d '' files < <(find src tests tools bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
# One run over all files; its messages name each drifted file.
status=0
report=$("$CLANG_FORMAT" --dry-run --Werror "${files[@]}" 2>&1) || status=$?
mapfile -t drifted < <(printf '%s\n' "$report" | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ "$status" -ne 0 ] && [ ${#drifted[@]} -eq 0 ]; then
  printf '%s\n' "$report" >&2
  exit "$status"
fi
if [ ${#drifted[@]} -ne 0 ]; then
  echo "check-format: ${#drifted[@]} file(s) differ from .clang-format:" >&2
  printf '  %s\n' "${drifted[@]}" >&2
  echo "Fix with: $CLANG_FORMAT -i <file>..." >&2
  exit 1
fi
