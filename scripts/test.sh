#!/usr/bin/env bash
# Builds everything and runs every test: the core and the window, then the core again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build
(cd build && ctest --output-on-failure --timeout 600)
bash scripts/build.sh build-sanitize -DVESPERINE_SANITIZE=ON -DVESPERINE_WINDOW=OFF
(cd build-sanitize && ctest --output-on-failure --timeout 900)
