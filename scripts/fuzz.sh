#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and runs each one for a while:
# fuzz.sh [seconds per target, default 20]. New inputs go to a scratch corpus in the build
# folder; the seed corpus in fuzz/corpus stays as it is. A finding is left in
# build-fuzz/artifacts and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
bash scripts/build.sh build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVESPERINE_FUZZ=ON -DVESPERINE_WINDOW=OFF \
  -DVESPERINE_TESTS=OFF -DVESPERINE_WERROR=ON
mkdir -p build-fuzz/artifacts
for target in hex_field window_search any_length_search repair dialog programmer_file; do
  scratch=build-fuzz/corpus/$target
  mkdir -p "$scratch"
  echo "fuzz_$target: ${seconds}s"
  log=build-fuzz/fuzz_$target.log
  if ! build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/"$target"- "$scratch" fuzz/corpus/$target >"$log" 2>&1; then
    cat "$log"
    echo "fuzz_$target found a fault; the input is in build-fuzz/artifacts" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
# DAT reading and identification, where the DAT module is built.
if [ -x build-fuzz/fuzz/fuzz_dat ]; then
  mkdir -p build-fuzz/corpus/dat
  echo "fuzz_dat: ${seconds}s"
  if ! build-fuzz/fuzz/fuzz_dat -max_total_time="$seconds" -timeout=30 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/dat- build-fuzz/corpus/dat fuzz/corpus/dat >build-fuzz/fuzz_dat.log 2>&1; then
    cat build-fuzz/fuzz_dat.log
    echo "fuzz_dat found a fault; the input is in build-fuzz/artifacts" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' build-fuzz/fuzz_dat.log || true
fi
# split and merge round trips, where the CLI is built.
if [ -x build-fuzz/fuzz/fuzz_split_merge ]; then
  mkdir -p build-fuzz/corpus/split_merge
  echo "fuzz_split_merge: ${seconds}s"
  if ! build-fuzz/fuzz/fuzz_split_merge -max_total_time="$seconds" -timeout=30 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/split_merge- build-fuzz/corpus/split_merge >build-fuzz/fuzz_split_merge.log 2>&1; then
    cat build-fuzz/fuzz_split_merge.log
    echo "fuzz_split_merge found a fault; the input is in build-fuzz/artifacts" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' build-fuzz/fuzz_split_merge.log || true
fi
