#!/usr/bin/env bash
# vesperine-cli hash against rhash --crc32 --md5 --sha1 --sha256 on the same 1 GiB file, side by side.
# Usage: bench/compare_hash.sh [PATH-TO-vesperine-cli]   (default: build-bench/src/cli/vesperine-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build-bench/src/cli/vesperine-cli}"
if ! command -v rhash >/dev/null; then
  echo "compare_hash: rhash is not installed; skipped"
  exit 0
fi
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
file="$dir/random-1GiB.bin"
head -c $((1 << 30)) /dev/urandom >"$file"
cat "$file" >/dev/null  # both runs start with the file in the page cache

# Best wall-clock time in seconds of three runs of a command (its output kept in $dir/out).
best_of_three() {
  local best=""
  for _ in 1 2 3; do
    local start end took
    start=$(date +%s.%N)
    "$@" >"$dir/out"
    end=$(date +%s.%N)
    took=$(echo "$end - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$took < $best" | bc)" = 1 ]; then best=$took; fi
  done
  printf '%.2f' "$best"
}

ours=$(best_of_three "$cli" hash "$file")
our_md5=$(grep -o 'MD5:[0-9a-f]*' "$dir/out" | cut -d: -f2)
theirs=$(best_of_three rhash --crc32 --md5 --sha1 --sha256 --printf '%{md5}\n' "$file")
their_md5=$(cat "$dir/out")

echo "CRC-32, MD5, SHA-1 and SHA-256 of 1 GiB (page cache warm, best of 3, wall clock):"
printf '  %-40s %6s s\n' "vesperine-cli hash" "$ours" "rhash --crc32 --md5 --sha1 --sha256" "$theirs"
if [ "$our_md5" != "$their_md5" ]; then
  echo "compare_hash: the MD5s differ: $our_md5 and $their_md5" >&2
  exit 1
fi
