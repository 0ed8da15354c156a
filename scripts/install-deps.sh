#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with, when any is missing.
set -euo pipefail

packages=(
  cmake g++ make pkg-config valgrind
  qt6-base-dev libgl-dev          # the window
  libxcb1-dev                     # the break chord asked of the X server
  libisal-dev zlib1g-dev          # CRC-32 and its algebra
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic            # the panes' fixed-pitch font
  xvfb xauth                      # screenshots and window tests under a virtual display
  xdotool imagemagick             # driving the program for its screenshot
  clang libclang-rt-14-dev        # fuzzing and sanitizer runs
  clang-format clang-tidy         # layout (scripts/format.sh) and lint (scripts/lint.sh)
  g++-mingw-w64-x86-64 libz-mingw-w64-dev googletest  # the Windows cross build of the core tests
  wine wine64                     # running them (scripts/windows.sh)
  libcli11-dev nlohmann-json3-dev # vesperine-cli: arguments and --json
  libexpat1-dev libzip-dev        # DAT files (streamed XML), zipped DATs and ROM sets
  libpugixml-dev                  # the DAT tests: the tree parser the streamed one is checked against
  libssl-dev                      # MD5 and the SHA family
  seabios                         # real ROM images for the identification tests
  rhash                           # the hashing benchmarks' point of comparison
  dpkg-dev file                   # the Debian package: dpkg-shlibdeps reads the programs' libraries
  help2man man-db                 # the manual pages, made from --help and checked for warnings
  bash-completion                 # the completion's helpers (_init_completion, _filedir)
  srecord                         # srec_cat: the reference Intel HEX and S-record converter
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
