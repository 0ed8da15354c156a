#!/usr/bin/env bash
# Takes docs/screenshot.png: the program under a virtual display, a demo ROM loaded through
# F1 and the file dialog, then analysed with F4. Needs xvfb, xauth, xdotool and imagemagick.
# Usage: screenshot.sh PROGRAM OUTPUT.png
set -euo pipefail
program=$(realpath "$1")
output=$(realpath -m "$2")
work=/tmp/roms  # shown in the path box
mkdir -p "$work"

python3 - "$work/demo.rom" <<'PY'
import sys
rom = bytearray(b"VESPERINE DEMO ROM  (C) 2024\x00\x00\x00\x00")
rom += bytes(range(256))
seed = 0x1234
while len(rom) < 0x10000:
    seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
    rom.append((seed >> 16) & 0xFF)
open(sys.argv[1], "wb").write(rom)
PY

cat > "$work/drive.sh" <<DRIVE
#!/usr/bin/env bash
set -euo pipefail
"$program" &
pid=\$!
win=""
for _ in \$(seq 50); do
  win=\$(xdotool search --name 'Vesperine \[VESPERIN\]' 2>/dev/null | head -1) && [ -n "\$win" ] && break
  sleep 0.2
done
xdotool windowfocus --sync "\$win"
sleep 0.5
xdotool key F1
sleep 1.5
xdotool type --delay 20 "$work/demo.rom"
xdotool key Return
sleep 1
xdotool windowfocus --sync "\$win"
xdotool key F4
sleep 1
import -window root "$output"
kill \$pid
DRIVE
chmod +x "$work/drive.sh"
cd "$work"
xvfb-run -a -s '-screen 0 1280x800x24' "$work/drive.sh"
# Crop to the window, which a display without a window manager shows at 0,0 with no frame.
convert "$output" -trim +repage "$output"
