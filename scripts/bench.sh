#!/usr/bin/env bash
# Builds and runs the benchmarks (Release); --compare checks them against bench/baseline.json.
#   bench.sh [benchmark options]            the suite, then the peers (crc, hash, Intel HEX)
#   bench.sh --compare [benchmark options]  the suite three times; each benchmark's best time
#                                           against its recorded figure, exit 1 when any is
#                                           more than 20 % slower
#   bench.sh --record [benchmark options]   the same runs, their figures written to
#                                           bench/baseline.json (with a filter, those only)
# CPU time is compared (the fairer figure on a shared machine), real time for the benchmarks
# that measure it (names ending in /real_time: their work runs on other threads). A benchmark
# the baseline lacks is listed as new; one a filter left out is not compared.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=run
if [[ ${1:-} == --compare || ${1:-} == --record ]]; then
  mode=${1#--}
  shift
fi
bash scripts/install-deps.sh
bash scripts/configure.sh build-bench -DCMAKE_BUILD_TYPE=Release -DVESPERINE_BENCH=ON -DVESPERINE_TESTS=OFF -DVESPERINE_WINDOW=OFF
if [[ $mode == run ]]; then
  cmake --build build-bench -j"$(nproc)"
  build-bench/bench/vesperine_bench "$@"
  bash bench/compare_crc.sh
  bash bench/compare_hash.sh build-bench/src/cli/vesperine-cli
  bash bench/compare_ihex.sh build-bench/src/cli/vesperine-cli
  exit 0
fi

cmake --build build-bench -j"$(nproc)" --target vesperine_bench
out=$(mktemp)
trap 'rm -f "$out"' EXIT
build-bench/bench/vesperine_bench --benchmark_repetitions=3 --benchmark_out="$out" --benchmark_out_format=json "$@"
python3 - "$mode" "$out" bench/baseline.json "$@" <<'EOF'
import json, sys

mode, run_path, baseline_path = sys.argv[1:4]
filters = sys.argv[4:]
to_seconds = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
limit = 1.20  # slower than this many times the recorded figure is flagged

# The best of the repetitions of each benchmark, in its own unit, on the clock it is judged by.
best = {}
for b in json.load(open(run_path))["benchmarks"]:
    if b.get("run_type") != "iteration" or b.get("error_occurred"):
        continue
    name = b.get("run_name", b["name"])
    clock = "real_time" if name.endswith("/real_time") else "cpu_time"
    if name not in best or b[clock] < best[name][clock]:
        best[name] = {"name": name, clock: b[clock], "time_unit": b["time_unit"]}

try:
    recorded = {b["name"]: b for b in json.load(open(baseline_path))["benchmarks"]}
except (OSError, ValueError, KeyError) as e:
    if mode != "record":
        sys.exit(f"bench.sh: no baseline to compare with ({baseline_path}: {e}); make one with --record")
    recorded = {}

if mode == "record":
    # A run of the whole suite replaces the record, so that benchmarks renamed or removed go;
    # a filtered run updates its own figures only.
    if not any(arg.startswith("--benchmark_filter") for arg in filters):
        recorded = {}
    recorded.update(best)
    with open(baseline_path, "w") as f:
        json.dump({"benchmarks": sorted(recorded.values(), key=lambda b: b["name"])}, f, indent=1)
        f.write("\n")
    print(f"bench.sh: {len(best)} figures recorded in {baseline_path}")
    sys.exit(0)

def seconds(b):
    clock = "real_time" if "real_time" in b else "cpu_time"
    return b[clock] * to_seconds[b["time_unit"]]

slower = 0
for name, now in sorted(best.items()):
    if name not in recorded:
        print(f"  new     {name}: {seconds(now) * 1e3:.3f} ms")
        continue
    ratio = seconds(now) / seconds(recorded[name])
    flag = "SLOWER" if ratio > limit else "ok"
    slower += ratio > limit
    print(f"  {flag:7} {name}: {seconds(now) * 1e3:.3f} ms against {seconds(recorded[name]) * 1e3:.3f} ms ({ratio:.2f}x)")
if slower:
    sys.exit(f"bench.sh: {slower} benchmark(s) more than 20 % slower than recorded")
print("bench.sh: no benchmark more than 20 % slower than recorded")
EOF
