#!/usr/bin/env bash
# Formats every C++ source of the project with the committed .clang-format, or with --check lists
# the files that differ from it and fails.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h')
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format --style=file "$f" | cmp -s - "$f" || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    printf 'not formatted (bash scripts/format.sh fixes them):\n' >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files follow .clang-format"
else
  clang-format --style=file -i "${files[@]}"
fi
