#!/usr/bin/env bash
# vesperine-cli hash against rhash --crc32 --md5 --sha1 --sha256 on the same 1 GiB file, side by side.
# Usage: bench/compare_hash.sh [PATH-TO-vesperine-cli]   (default: build-bench/src/cli/vesperine-cli)
# Wall-clock time shows the second thread at work on an idle machine; processor time (user +
# system, both threads) is the fairer measure on a busy one, where the scheduler gives each
# session its share whatever its number of threads.
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

# "WALL CPU" of the run with the least wall-clock time out of three (output kept in $dir/out).
best_of_three() {
  local best="" timing
  for _ in 1 2 3; do
    timing=$( { TIMEFORMAT='%R %U %S'; time "$@" >"$dir/out"; } 2>&1 )
    best=$(echo "$timing ${best:-}" | awk '{ cpu = $2 + $3; if (NF == 3 || $1 < $4) printf "%.2f %.2f", $1, cpu; else printf "%s %s", $4, $5 }')
  done
  echo "$best"
}

read -r our_wall our_cpu < <(best_of_three "$cli" hash "$file")
our_md5=$(grep -o 'MD5:[0-9a-f]*' "$dir/out" | cut -d: -f2)
# rhash's own line ("FILE CRC32 MD5 SHA1 SHA256"): with --printf it would compute only the
# digests the format names.
read -r their_wall their_cpu < <(best_of_three rhash --crc32 --md5 --sha1 --sha256 "$file")
their_md5=$(awk '{ print $(NF - 2) }' "$dir/out")

echo "CRC-32, MD5, SHA-1 and SHA-256 of 1 GiB (page cache warm, best of 3; load average $(cut -d' ' -f1 /proc/loadavg)):"
printf '  %-38s %8s %14s\n' "" "wall (s)" "processor (s)"
printf '  %-38s %8s %14s\n' "vesperine-cli hash" "$our_wall" "$our_cpu" \
  "rhash --crc32 --md5 --sha1 --sha256" "$their_wall" "$their_cpu"
if [ "$our_md5" != "$their_md5" ]; then
  echo "compare_hash: the MD5s differ: $our_md5 and $their_md5" >&2
  exit 1
fi
