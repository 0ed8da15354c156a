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
# Every target that was built: those of the DAT module and the CLI exist only where they build.
# Each runs from its seed corpus in fuzz/corpus (where it has one) and a scratch corpus.
for target in hex_field window_search any_length_search checksum crc_fold repair dialog programmer_file reads headers dat \
    cli_json split_merge; do
  [ -x build-fuzz/fuzz/fuzz_$target ] || continue
  scratch=build-fuzz/corpus/$target
  mkdir -p "$scratch"
  seeds=()
  [ -d fuzz/corpus/$target ] && seeds=(fuzz/corpus/$target)
  echo "fuzz_$target: ${seconds}s"
  log=build-fuzz/fuzz_$target.log
  if ! build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=30 -max_len=8192 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/artifacts/"$target"- "$scratch" "${seeds[@]}" >"$log" 2>&1; then
    cat "$log"
    echo "fuzz_$target found a fault; the input is in build-fuzz/artifacts" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
done
