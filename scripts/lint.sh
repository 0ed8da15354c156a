#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: bug-prone, performance and concurrency checks) over the core's
# sources, with the compile commands of a build folder: lint.sh [build folder, default build].
# Any finding fails. The Qt host, tests and Windows-only files are not linted here.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
[ -n "$tidy" ] || { echo "clang-tidy is needed: apt-get install clang-tidy" >&2; exit 1; }
[ -f "$dir/compile_commands.json" ] || { echo "no $dir/compile_commands.json: build first (scripts/build.sh $dir)" >&2; exit 1; }
mapfile -t files < <(ls src/app/*.cpp src/files/*.cpp src/panes/*.cpp src/analysis/*.cpp src/search/*.cpp \
  src/platform/*.cpp | grep -v '/win_')
# GCC's warning options that clang does not know are not findings.
printf '%s\n' "${files[@]}" | xargs -P"$(nproc)" -n4 "$tidy" -p "$dir" --quiet \
  --extra-arg=-Wno-unknown-warning-option 2>/dev/null
