#!/usr/bin/env bash
# Formats every C++ source file of the project as .clang-format has it, or,
# with --check, lists the files that differ and fails.
#
#   bash scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find panelconf installtools tools tests \( -name '*.cpp' -o -name '*.h' \) | sort)
fi
if [ "${1:-}" = "--check" ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! clang-format --style=file "$f" | cmp -s "$f" -; then
      echo "not formatted: $f (bash scripts/format.sh)" >&2
      bad=1
    fi
  done
  exit $bad
fi
clang-format --style=file -i "${files[@]}"
