#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: bug-prone, performance and concurrency checks) over base, files,
# analysis, search, platform and the dialog (app, panes) with the compile commands of a build
# folder: lint.sh [build folder, default build].
# lint.sh --windows DIR lints the Windows-only sources with a MinGW-w64 build folder's commands.
# Any finding fails. The Qt host and the tests are not linted.
set -euo pipefail
cd "$(dirname "$0")/.."
tidy=$(command -v clang-tidy-14 || command -v clang-tidy || true)
[ -n "$tidy" ] || { echo "clang-tidy is needed: apt-get install clang-tidy" >&2; exit 1; }
args=(--quiet --extra-arg=-Wno-unknown-warning-option)  # GCC's options that clang lacks are no finding
if [ "${1:-}" = "--windows" ]; then
  dir=$2
  mapfile -t files < <(ls src/platform/win_*.cpp)
  # clang parses for the MinGW target with MinGW's C++ library and Windows headers, but its own
  # intrinsics headers (GCC's do not parse under clang).
  args+=(--extra-arg=--target=x86_64-w64-mingw32)
  while read -r include; do
    args+=(--extra-arg=-isystem"$include")
  done < <(x86_64-w64-mingw32-g++-posix -xc++ -E -v - </dev/null 2>&1 |
           sed -n '/#include <...> search starts here:/,/End of search list./p' | sed -n 's/^ //p' |
           grep -v -E '/gcc/x86_64-w64-mingw32/[^/]+/include(-fixed)?$' || true)
else
  dir=${1:-build}
  mapfile -t files < <(ls src/base/*.cpp src/files/*.cpp src/analysis/*.cpp src/search/*.cpp src/platform/*.cpp \
    src/app/*.cpp src/panes/*.cpp | grep -v '/win_')
fi
[ -f "$dir/compile_commands.json" ] || { echo "no $dir/compile_commands.json: build $dir first" >&2; exit 1; }
printf '%s\n' "${files[@]}" | xargs -P"$(nproc)" -n4 "$tidy" -p "$dir" "${args[@]}" 2>/dev/null
