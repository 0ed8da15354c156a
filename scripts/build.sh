#!/usr/bin/env bash
# Configures (scripts/configure.sh: every option set) and builds one build folder:
# build.sh DIR [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
bash scripts/install-deps.sh
bash scripts/configure.sh "$dir" "$@"
cmake --build "$dir" -j"$(nproc)"
