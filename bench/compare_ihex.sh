#!/usr/bin/env bash
# Reading a 64 MiB Intel HEX file to binary: vesperine-cli extract against srec_cat, side by side.
# Usage: bench/compare_ihex.sh [path to vesperine-cli] (default: build-bench/src/cli/vesperine-cli).
# srec_cat writes the Intel HEX (I32HEX, 32 bytes a record, about 152 MiB) from random bytes;
# then each program converts it back three times and the best wall time and the best CPU time
# (user + system, the fairer one on a shared machine) count. Both outputs must equal the
# original bytes. The files live in a temporary folder removed on every way out.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build-bench/src/cli/vesperine-cli}
if [[ ! -x $cli ]]; then
  echo "compare_ihex.sh: $cli not found; build vesperine-cli first" >&2
  exit 2
fi
if ! command -v srec_cat >/dev/null; then
  echo "compare_ihex.sh: srec_cat (Debian srecord) is not installed; skipped"
  exit 0
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
head -c $((64 << 20)) /dev/urandom >"$dir/image.bin"
srec_cat "$dir/image.bin" -binary -o "$dir/in.hex" -intel
cat "$dir/in.hex" >/dev/null  # into the page cache

# "WALL CPU": the best of three runs of a command, in seconds.
best() {
  local wall=999999 cpu=999999 times
  for _ in 1 2 3; do
    times=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 )
    read -r wall cpu < <(echo "$times $wall $cpu" |
      awk '{ c = $2 + $3; w = ($1 < $4) ? $1 : $4; print w, ((c < $5) ? c : $5) }')
  done
  echo "$wall $cpu"
}

read -r wall_srec cpu_srec < <(best srec_cat "$dir/in.hex" -intel -o "$dir/srec.bin" -binary)
read -r wall_cli cpu_cli < <(best "$cli" extract "$dir/in.hex" -o "$dir/cli.bin")
cmp "$dir/srec.bin" "$dir/image.bin"
cmp "$dir/cli.bin" "$dir/image.bin"

printf '%-40s %8s %8s\n' "64 MiB as Intel HEX ($(($(stat -c %s "$dir/in.hex") >> 20)) MiB) to binary" "wall s" "CPU s"
printf '%-40s %8.3f %8.3f\n' "srec_cat -intel -o -binary" "$wall_srec" "$cpu_srec"
printf '%-40s %8.3f %8.3f\n' "vesperine-cli extract" "$wall_cli" "$cpu_cli"
awk -v ws="$wall_srec" -v cs="$cpu_srec" -v wc="$wall_cli" -v cc="$cpu_cli" \
  'BEGIN { printf "vesperine-cli / srec_cat: %.2fx the wall time, %.2fx the CPU time (goal: at most 0.2x, five times faster); outputs equal\n",
                  wc / ws, cc / cs }'
