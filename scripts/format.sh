#!/usr/bin/env bash
# Lays out the C++ sources by .clang-format: format.sh applies it; format.sh --check changes
# nothing, lists the files that differ and fails when there are any.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$formatter" ] || { echo "clang-format is needed: apt-get install clang-format" >&2; exit 1; }
mapfile -t files < <(git ls-files -co --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
  'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
if [ "${1:-}" = "--check" ]; then
  differ=()
  for f in "${files[@]}"; do
    "$formatter" --style=file "$f" | cmp -s - "$f" || differ+=("$f")
  done
  [ ${#differ[@]} -eq 0 ] && exit 0
  echo "Not laid out by .clang-format (scripts/format.sh mends them):" >&2
  printf '  %s\n' "${differ[@]}" >&2
  exit 1
fi
"$formatter" --style=file -i "${files[@]}"
