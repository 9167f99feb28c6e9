#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what .clang-format makes of it,
# and names the files. With --fix, formats them in place instead.
#   usage: scripts/check-format.sh [--fix]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

formatter=""
for candidate in clang-format clang-format-14; do
  if command -v "$candidate" >/dev/null; then
    formatter=$candidate
    break
  fi
done
if [ -z "$formatter" ]; then
  echo "check-format: clang-format is missing (it is in scripts/deps.txt)" >&2
  exit 1
fi

mapfile -t files < <(git ls-files -- 'src/*.h' 'src/*.cpp' 'tools/*.h' 'tools/*.cpp' 'tests/*.h' 'tests/*.cpp' \
  'bench/*.h' 'bench/*.cpp' 'fuzz/*.h' 'fuzz/*.cpp' 'packaging/*.cpp')
if [ "${1:-}" = "--fix" ]; then
  "$formatter" -i "${files[@]}"
  exit 0
fi

bad=()
for file in "${files[@]}"; do
  if ! "$formatter" --dry-run --Werror "$file" >/dev/null 2>&1; then
    bad+=("$file")
  fi
done
if ((${#bad[@]})); then
  echo "check-format: ${#bad[@]} file(s) differ from .clang-format (fix with scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files match .clang-format"
