#!/usr/bin/env bash
# Takes docs/inspector-*.png: the Inspector under a virtual display on a real image made into
# a faulty board read (the image, a 128 KiB FF fill after it, its A5 tied low by hand), one
# screenshot per panel, stepped through with Ctrl+Tab. Needs xvfb, xauth, xdotool and imagemagick.
# Usage: inspector_screenshots.sh PROGRAM IMAGE OUTPUT_FOLDER
set -euo pipefail
program=$(realpath "$1")
image=$(realpath "$2")
output=$(realpath -m "$3")
mkdir -p "$output"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The board read, and a second read of it with D3 weak in five places, for the Reads panel.
python3 - "$image" "$work/board.bin" "$work/second-read.bin" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data += b"\xff" * 0x20000
for offset in range(len(data)):
    if offset & 0x20:
        data[offset] = data[offset ^ 0x20]
open(sys.argv[2], "wb").write(data)
for offset in (0x1234, 0x2345, 0x3456, 0x4567, 0x5678):
    data[offset] ^= 0x08
open(sys.argv[3], "wb").write(data)
PY
# A DAT that names the board read, its lower half (the image) and, wrongly, its upper half: a
# match of the whole file, and a near miss whose SHA-1 disagrees.
python3 - "$work/board.bin" "$work/demo.dat" <<'PY'
import hashlib, sys, zlib
data = open(sys.argv[1], "rb").read()
half = len(data) // 2
def rom(name, part, sha1=None):
    return '<rom name="%s" size="%d" crc="%08x" sha1="%s"/>' % (
        name, len(part), zlib.crc32(part), sha1 or hashlib.sha1(part).hexdigest())
open(sys.argv[2], "w").write(
    '<datafile><game name="seabios-board">' + rom("board.bin", data) +
    rom("board-low.bin", data[:half], "0" * 40) + '</game></datafile>')
PY
# The Inspector's remembered settings (the DAT list) go to the scratch folder.
export XDG_CONFIG_HOME="$work/config"

cat > "$work/drive.sh" <<DRIVE
#!/usr/bin/env bash
set -euo pipefail
"$program" --inspect "$work/board.bin" &
pid=\$!
win=""
for _ in \$(seq 50); do
  win=\$(xdotool search --name 'Vesperine Inspector' 2>/dev/null | head -1) && [ -n "\$win" ] && break
  sleep 0.2
done
xdotool windowfocus --sync "\$win"
sleep 1.5
for panel in health checksums identity reads map; do
  if [ "\$panel" = identity ]; then
    xdotool key alt+a
    sleep 1
    xdotool type --delay 10 "$work/demo.dat"
    xdotool key Return
    sleep 1.5
    xdotool windowfocus --sync "\$win"
    sleep 0.5
  fi
  if [ "\$panel" = reads ]; then
    xdotool key alt+a
    sleep 1
    xdotool type --delay 10 "$work/second-read.bin"
    xdotool key Return
    sleep 1.5
    xdotool windowfocus --sync "\$win"
    sleep 0.5
  fi
  import -window root "$output/inspector-\$panel.png"
  convert "$output/inspector-\$panel.png" -trim +repage "$output/inspector-\$panel.png"
  xdotool key ctrl+Tab
  sleep 1
done
kill \$pid
DRIVE
chmod +x "$work/drive.sh"
xvfb-run -a -s '-screen 0 1280x800x24' "$work/drive.sh"
