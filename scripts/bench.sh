#!/usr/bin/env bash
# Builds and runs the benchmarks (Release).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/configure.sh build-bench -DCMAKE_BUILD_TYPE=Release -DVESPERINE_BENCH=ON -DVESPERINE_TESTS=OFF -DVESPERINE_WINDOW=OFF
cmake --build build-bench -j"$(nproc)"
build-bench/bench/vesperine_bench "$@"
bash bench/compare_crc.sh
bash bench/compare_hash.sh build-bench/src/cli/vesperine-cli
bash bench/compare_ihex.sh build-bench/src/cli/vesperine-cli
