#!/usr/bin/env bash
# CRC-32 of a 1 GiB file from the page cache: vesperine-cli crc against rhash and Python's zlib.crc32;
# then checksum --algo CRC-32C against rhash --crc32c, and sum (every sum of every view) and a
# catalogue CRC against crc (goals: CRC-32C faster than rhash, sum and checksum within 1.5x of crc).
# Usage: bench/compare_crc.sh [path to vesperine-cli] (default: build-bench/src/cli/vesperine-cli).
# Each program runs three times; the best wall time and the best CPU time (user + system) count,
# the CPU time being the fairer one on a shared machine. The file is made in a temporary folder
# and removed on every way out.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build-bench/src/cli/vesperine-cli}
if [[ ! -x $cli ]]; then
  echo "compare_crc.sh: $cli not found; build vesperine-cli first" >&2
  exit 2
fi
for tool in rhash python3; do
  command -v "$tool" >/dev/null || { echo "compare_crc.sh: $tool is not installed; skipped"; exit 0; }
done

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
file=$dir/one_gib.bin
head -c 1073741824 /dev/urandom >"$file"
cat "$file" >/dev/null  # into the page cache

# "WALL CPU LAST-LINE": the best of three runs of a command, in seconds, and its last line.
best() {
  local wall=999999 cpu=999999 times last
  for _ in 1 2 3; do
    times=$( { TIMEFORMAT='%R %U %S'; time "$@" >"$dir/out" 2>/dev/null; } 2>&1 )
    last=$(tail -n 1 "$dir/out")
    read -r wall cpu < <(echo "$times $wall $cpu" |
      awk '{ c = $2 + $3; w = ($1 < $4) ? $1 : $4; print w, ((c < $5) ? c : $5) }')
  done
  echo "$wall $cpu $last"
}

python_crc='import sys, zlib
crc = 0
with open(sys.argv[1], "rb") as f:
    while chunk := f.read(1 << 20):
        crc = zlib.crc32(chunk, crc)
print("%08X" % crc)'

read -r wall_cli cpu_cli out_cli < <(best "$cli" crc "$file")
read -r wall_rhash cpu_rhash out_rhash < <(best rhash --printf '%C\n' --crc32 "$file")
read -r wall_python cpu_python out_python < <(best python3 -c "$python_crc" "$file")

printf '%-24s %8s %8s   %s\n' "1 GiB from page cache" "wall s" "CPU s" "CRC-32"
printf '%-24s %8.3f %8.3f   %s\n' "vesperine-cli crc" "$wall_cli" "$cpu_cli" "${out_cli##* CRC:}"
printf '%-24s %8.3f %8.3f   %s\n' "rhash --crc32" "$wall_rhash" "$cpu_rhash" "$out_rhash"
printf '%-24s %8.3f %8.3f   %s\n' "python3 zlib.crc32" "$wall_python" "$cpu_python" "$out_python"
awk -v wc="$wall_cli" -v cc="$cpu_cli" -v wr="$wall_rhash" -v cr="$cpu_rhash" -v wp="$wall_python" -v cp="$cpu_python" \
  'BEGIN { w = (wr < wp) ? wr : wp; c = (cr < cp) ? cr : cp;
           printf "vesperine-cli crc against the fastest of the others: %.1fx by wall time, %.1fx by CPU time (goal: 3x)\n",
                  w / wc, c / cc }'

read -r wall_c32c cpu_c32c out_c32c < <(best "$cli" checksum "$file" --algo CRC-32C)
read -r wall_r32c cpu_r32c out_r32c < <(best rhash --printf '%{crc32c}\n' --crc32c "$file")
read -r wall_xz cpu_xz out_xz < <(best "$cli" checksum "$file" --algo CRC-64/XZ)
read -r wall_sum cpu_sum _ < <(best "$cli" sum "$file")
echo
printf '%-32s %8s %8s   %s\n' "1 GiB from page cache" "wall s" "CPU s" "value"
printf '%-32s %8.3f %8.3f   %s\n' "vesperine-cli checksum CRC-32C" "$wall_c32c" "$cpu_c32c" "${out_c32c##* }"
printf '%-32s %8.3f %8.3f   %s\n' "rhash --crc32c" "$wall_r32c" "$cpu_r32c" "$out_r32c"
printf '%-32s %8.3f %8.3f   %s\n' "vesperine-cli checksum CRC-64/XZ" "$wall_xz" "$cpu_xz" "${out_xz##* }"
printf '%-32s %8.3f %8.3f\n' "vesperine-cli sum (every view)" "$wall_sum" "$cpu_sum"
awk -v c="$wall_cli" -v a="$wall_c32c" -v r="$wall_r32c" -v x="$wall_xz" -v s="$wall_sum" \
  'BEGIN { printf "by wall time: CRC-32C %.2fx of crc (goal: 1.5x at most), %.2fx of rhash (goal: below 1); CRC-64/XZ %.2fx of crc; sum %.2fx of crc (goal: 1.5x at most)\n",
                  a / c, a / r, x / c, s / c }'
