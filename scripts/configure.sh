#!/usr/bin/env bash
# Configures one build folder: configure.sh DIR [cmake options...]. Every option that decides
# what is built and how is set on each run, to its default unless the caller gives another, so
# that a folder configured earlier for another purpose (run.sh's, with the tests off) never
# carries that choice into the next script. VESPERINE_WERROR stays as the folder has it unless
# given: it changes no behaviour, only whether a warning stops the build.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESPERINE_WINDOW=ON -DVESPERINE_CLI=ON \
  -DVESPERINE_TESTS=ON -DVESPERINE_BENCH=OFF -DVESPERINE_SANITIZE=OFF -DVESPERINE_TSAN=OFF \
  -DVESPERINE_FUZZ=OFF -DVESPERINE_ISAL=AUTO "$@" >/dev/null
