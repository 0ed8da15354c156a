#!/usr/bin/env bash
# Times the window at 1 GiB as a user sees it, under a virtual display driven by xdotool:
# Return in the open dialog to the area end shown, F4 to the CRC-32 shown, and the click on
# "Go Attack!" to the progress dialog shown. Needs xvfb, xauth, xdotool, imagemagick, python3.
# Usage: bench/window_timing.sh PROGRAM [SCREENSHOT_FOLDER]
# Each measure is taken in three fresh runs of the program; min and median are printed. A
# screen region counts as shown at the first of its screen grabs (polled every 20 ms straight
# from the X server) that already equals the region as it is once all is quiet, so a progress
# dialog passing over it does not end the wait early. The final screens of the last run are
# kept in SCREENSHOT_FOLDER when one is given, to check the texts by eye. The 1 GiB file is
# made in a temporary folder and removed on every way out.
set -euo pipefail
if [[ $# -lt 1 || ! -x $1 ]]; then
  echo "usage: window_timing.sh PROGRAM [SCREENSHOT_FOLDER]" >&2
  exit 2
fi
for tool in xvfb-run xdotool import python3; do
  command -v "$tool" >/dev/null || { echo "window_timing.sh: $tool is not installed" >&2; exit 2; }
done
program=$(realpath "$1")
shots=""
if [[ $# -ge 2 ]]; then
  mkdir -p "$2"
  shots=$(realpath "$2")
fi

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
trap 'exit 130' INT TERM
file=$dir/one_gib.bin
head -c 1073741824 /dev/urandom >"$file"
sync "$file"  # no write-back of the new file runs beside the timings

cat >"$dir/drive.py" <<'PY'
# Drives the program through xdotool and watches screen regions through Xlib's XGetImage.
import ctypes, ctypes.util, hashlib, statistics, subprocess, sys, time, zlib

program, path, shots = sys.argv[1], sys.argv[2], sys.argv[3]
RUNS = 3
POLL = 0.02
# Pixel rectangles relative to the window, measured with the dialog font (IPAGothic 2 px per
# horizontal dialog unit, 1038x684 window); scaled when the window has another size.
BASE_SIZE = (1038, 684)
AREA_END = (762, 287, 72, 22)
DUMP_CRC = (940, 336, 76, 22)
SEARCH_SIZE = (978, 413)
SEARCH_CRC = (978, 439)
SEARCH_STEP = (978, 465)
ATTACK = (939, 501)

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                          ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
x11.XDestroyImage.argtypes = [ctypes.c_void_p]


class XImage(ctypes.Structure):  # the leading fields of Xlib's XImage
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


display = x11.XOpenDisplay(None)
root = x11.XDefaultRootWindow(display)


def grab(rect):
    """A digest of the screen's pixels in rect (x, y, w, h, in screen coordinates)."""
    image = x11.XGetImage(display, root, rect[0], rect[1], rect[2], rect[3], 0xFFFFFFFF, 2)  # ZPixmap
    head = XImage.from_address(image)
    digest = hashlib.sha1(ctypes.string_at(head.data, head.bytes_per_line * head.height)).digest()
    x11.XDestroyImage(image)
    return digest


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def visible(title):
    return xdotool("search", "--onlyvisible", "--name", title)


def wait_for(title, timeout=20.0):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        found = visible(title)
        if found:
            return found[0]
        time.sleep(POLL)
    raise SystemExit(f"window_timing.sh: no window titled {title!r} within {timeout} s")


def shown_after(start, rect, before, quiet=1.5, timeout=120.0):
    """Seconds from start until rect first shows what it finally shows, once it differs from
    `before` and has stayed unchanged for `quiet` seconds with no progress dialog open."""
    samples = []
    end = start + timeout
    while time.monotonic() < end:
        samples.append((time.monotonic(), grab(rect)))
        last = samples[-1][1]
        first = len(samples) - 1
        while first > 0 and samples[first - 1][1] == last:
            first -= 1
        if (last != before and samples[-1][0] - samples[first][0] >= quiet
                and not visible("^Brute Force|^Load BaseFile|^Go Analyze")):
            return samples[first][0] - start
        time.sleep(POLL)
    raise SystemExit("window_timing.sh: the region never settled")


def screen(name):
    if shots:
        subprocess.run(["import", "-window", "root", f"{shots}/{name}.png"], check=True)


def one_run(index):
    proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        main = wait_for(r"Vesperine \[VESPERIN\]")
        geometry = dict(line.split("=") for line in
                        subprocess.run(["xdotool", "getwindowgeometry", "--shell", main],
                                       capture_output=True, text=True).stdout.split())
        ox, oy = int(geometry["X"]), int(geometry["Y"])
        sx = int(geometry["WIDTH"]) / BASE_SIZE[0]
        sy = int(geometry["HEIGHT"]) / BASE_SIZE[1]

        def at(point):
            return [str(round(ox + point[0] * sx)), str(round(oy + point[1] * sy))]

        def area(rect):
            return (round(ox + rect[0] * sx), round(oy + rect[1] * sy),
                    round(rect[2] * sx), round(rect[3] * sy))

        time.sleep(0.5)
        xdotool("windowfocus", "--sync", main)
        xdotool("key", "F1")
        chooser = wait_for("^Open$|^Load BaseFile")
        time.sleep(0.5)
        xdotool("windowfocus", "--sync", chooser)
        xdotool("type", "--delay", "10", path)
        time.sleep(0.5)  # the name box's completer settles
        before = grab(area(AREA_END))
        start = time.monotonic()
        xdotool("key", "Return")
        load = shown_after(start, area(AREA_END), before)

        xdotool("windowfocus", "--sync", main)
        before = grab(area(DUMP_CRC))
        start = time.monotonic()
        xdotool("key", "F4")
        analyze = shown_after(start, area(DUMP_CRC), before)
        if index == RUNS - 1:
            screen("after_analyze")

        for point, text in ((SEARCH_SIZE, "100"), (SEARCH_CRC, "12345678"), (SEARCH_STEP, "1")):
            xdotool("mousemove", *at(point), "click", "1")
            xdotool("key", "ctrl+a")
            xdotool("type", "--delay", "10", text)
        xdotool("mousemove", *at(ATTACK))
        time.sleep(0.3)
        start = time.monotonic()
        xdotool("click", "1")
        progress = wait_for("^Brute Force")
        appear = time.monotonic() - start
        if index == RUNS - 1:
            screen("search_progress")
        xdotool("windowfocus", "--sync", progress)
        xdotool("key", "Escape")  # Cancel
        end = time.monotonic() + 20
        while visible("^Brute Force") and time.monotonic() < end:
            time.sleep(POLL)
        if index == RUNS - 1:
            time.sleep(0.5)
            screen("after_break")
        return load, analyze, appear
    finally:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


crc = 0
with open(path, "rb") as f:
    while chunk := f.read(1 << 24):
        crc = zlib.crc32(chunk, crc)
results = [one_run(i) for i in range(RUNS)]
names = ("Return in the open dialog to the area end shown",
         "F4 to the CRC-32 shown",
         'Click on "Go Attack!" to the progress dialog shown')
print(f"1 GiB file, {RUNS} runs; the CRC-32 to expect is {crc:08X}")
print(f"{'measure':52} {'min':>8} {'median':>8}   runs")
for k, name in enumerate(names):
    times = [r[k] for r in results]
    cells = " ".join(f"{t:.2f}" for t in times)
    print(f"{name:52} {min(times):7.2f}s {statistics.median(times):7.2f}s   {cells}")
PY

xvfb-run -a -s '-screen 0 1280x800x24' python3 "$dir/drive.py" "$program" "$file" "$shots" </dev/null
