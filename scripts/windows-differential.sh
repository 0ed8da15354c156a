#!/usr/bin/env bash
# Runs one set of command lines on real ROM images (Debian's SeaBIOS and VGA BIOS images) through
# the Linux and the Windows (under Wine) vesperine-cli, each in a folder of its own holding the
# same files under names that are not ASCII, and compares what they say and write: standard
# output and error (the Windows program writes LF line ends, as chosen in platform/console.h;
# a CR there fails too), the exit status, and every file in the folder byte for byte.
#   windows-differential.sh LINUX_CLI WINDOWS_CLI_EXE   (WINEPREFIX as windows.sh sets it)
# Each line below is a command line, in the shell's quoting. The Linux side has its patterns
# expanded by the shell; the Windows side gets them as cmd.exe passes them, unexpanded, and
# the program expands them itself.
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
wine=$(command -v wine || command -v wine64)
images=/usr/share/seabios
[ -f $images/bios.bin ] || { echo "windows-differential: $images is missing (apt-get install seabios)" >&2; exit 1; }

lines=(
  'crc bios.bin Ärger.bin 日本語.bin'
  'crc --json *.bin'
  'crc --area 100:2100 --stripe odd bios.bin'
  'crc /json bios.bin'
  "crc $images/vgabios.bin"
  'hash *.bin'
  'hash --json 日本語.bin'
  'sum bios.bin'
  'checksum --algo CRC-32C,CRC-64/XZ,CRC-16/XMODEM,CRC-5/USB,SUM-16/WORD-LE bios.bin 日本語.bin'
  'extract bios.bin --area 0:8000 --swap16 -o Ärger-out.bin'
  'extract 日本語.bin -o out.hex'
  'crc out.hex'
  'split bios.bin --ways 2 -o part{n}.bin'
  'merge part0.bin part1.bin -o merged.bin'
  'dat Ärger.bin 日本語.bin -o Ärger.dat'
  'identify --json bios.bin vgabios-stdvga.bin --dat Ärger.dat'
  'identify --near vgabios-cirrus.bin --dat Ärger.dat'
  'header bios.bin'
  'diagnose vgabios-cirrus.bin'
  'crc missing.bin'
  'extract bios.bin -o bios.bin'
  'crc --nonsense bios.bin'
)

work=$(realpath "${TMPDIR:-/tmp}")/vesperine-differential-$$
trap 'rm -rf "$work"' EXIT
for side in linux windows; do
  mkdir -p "$work/$side/Tëmp-ROMs"
  cp $images/bios.bin $images/vgabios.bin $images/vgabios-stdvga.bin $images/vgabios-cirrus.bin "$work/$side/Tëmp-ROMs/"
  cp $images/bios-256k.bin "$work/$side/Tëmp-ROMs/Ärger.bin"
  cp $images/vgabios-qxl.bin "$work/$side/Tëmp-ROMs/日本語.bin"
done

failed=0
n=0
for line in "${lines[@]}"; do
  n=$((n + 1))
  for side in linux windows; do
    out="$work/$side.$n"
    (
      cd "$work/$side/Tëmp-ROMs"
      if [ $side = linux ]; then
        eval "set -- $line"
        status=0
        "$linux" "$@" >"$out.stdout" 2>"$out.stderr" </dev/null || status=$?
      else
        set -f
        eval "set -- $line"
        status=0
        "$wine" "$windows" "$@" >"$out.stdout" 2>"$out.stderr" </dev/null || status=$?
      fi
      echo $status >"$out.status"
    )
  done
  problems=()
  if grep -q $'\r' "$work/windows.$n.stdout" "$work/windows.$n.stderr"; then problems+=("CR in the Windows output"); fi
  for stream in stdout stderr status; do
    cmp -s "$work/linux.$n.$stream" "$work/windows.$n.$stream" || problems+=("$stream differs")
  done
  if ! diff -r "$work/linux/Tëmp-ROMs" "$work/windows/Tëmp-ROMs" >/dev/null; then problems+=("files differ"); fi
  if [ ${#problems[@]} -gt 0 ]; then
    failed=$((failed + 1))
    echo "windows-differential: vesperine-cli $line: ${problems[*]}" >&2
    for stream in stdout stderr status; do
      diff -u --label "linux $stream" --label "windows $stream" "$work/linux.$n.$stream" "$work/windows.$n.$stream" |
        head -n 20 >&2 || true
    done
    diff -rq "$work/linux/Tëmp-ROMs" "$work/windows/Tëmp-ROMs" >&2 || true
    # The next line starts from the same files again.
    rm -rf "$work/windows/Tëmp-ROMs"
    cp -a "$work/linux/Tëmp-ROMs" "$work/windows/"
  fi
done
echo "windows-differential: $((n - failed)) of $n command lines alike"
[ $failed -eq 0 ]
