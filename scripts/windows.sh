#!/usr/bin/env bash
# Cross-builds vesperine-cli and every test program for 64-bit Windows with MinGW-w64 (CRC-32
# through zlib, as ISA-L has no MinGW build here; MD5 and the SHA family through Windows CNG;
# pugixml and libzip built statically from Debian's source packages by windows-deps.sh;
# GoogleTest from Debian's googletest sources), runs the tests under Wine with a temporary folder
# whose name is not ASCII (C:\Tëmp, as many Windows users' profiles are), runs the same command
# lines through the Linux and the Windows program (windows-differential.sh, when a Linux build
# folder is given), interrupts its writes with Ctrl+C (windows-interrupts.sh) and packs
# vesperine-cli-VERSION-win64.zip. The Wine prefix is the build
# folder's own; no display is needed. The build is optimised as the Linux one is (-O2), without
# debug information: it is what is shipped, and that halves the cross build's time.
#   windows.sh [--linux BUILD] [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
linux=""
if [ "${1:-}" = "--linux" ]; then
  linux=$2
  shift 2
fi
bash scripts/install-deps.sh
dir=build-mingw
start=$SECONDS
bash scripts/windows-deps.sh "$dir"
bash scripts/configure.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" \
  -DVESPERINE_MINGW_DEPS="$PWD/$dir/deps/prefix" -DVESPERINE_WINDOW=OFF -DVESPERINE_ISAL=OFF \
  -DVESPERINE_WERROR=ON "$@"
tests=(core_tests diagnosis_tests headers_tests reads_tests formats_tests checksum_tests dat_tests board_tests cli_tests)
cmake --build "$dir" -j"$(nproc)" --target vesperine-cli "${tests[@]}"
echo "windows: built in $((SECONDS - start)) s"
bash scripts/lint.sh --windows "$dir"  # the Win32 sources, which the Linux lint cannot parse

wine=$(command -v wine || command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
[ -n "$wine" ] || { echo "Wine is needed for the Windows tests: apt-get install wine64" >&2; exit 1; }
export WINEPREFIX="$PWD/$dir/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
# The first start makes the prefix (about twenty seconds); asking for Mono and Gecko is off.
# Wine takes TMP and TEMP from the prefix's registry, not from the Linux environment.
temp='C:\Tëmp'
if [ ! -d "$WINEPREFIX/drive_c/Tëmp" ]; then
  "$wine" reg add 'HKCU\Environment' /v TMP /d "$temp" /f >/dev/null
  "$wine" reg add 'HKCU\Environment' /v TEMP /d "$temp" /f >/dev/null
  mkdir -p "$WINEPREFIX/drive_c/Tëmp"
fi
status=0
for test in "${tests[@]}"; do
  "$wine" "$dir/tests/$test.exe" --gtest_brief=1 </dev/null || status=$?
done
bash scripts/windows-interrupts.sh "$dir/src/cli/vesperine-cli.exe" || status=$?
if [ -n "$linux" ]; then
  bash scripts/windows-differential.sh "$linux/src/cli/vesperine-cli" "$dir/src/cli/vesperine-cli.exe" || status=$?
fi
# The prefix's server would otherwise linger for a few seconds after the tests.
if command -v wineserver >/dev/null; then wineserver -k 2>/dev/null || true; fi
(cd "$dir" && cpack -G ZIP >/dev/null) || status=$?
ls "$dir"/vesperine-cli-*-win64.zip
echo "windows: done in $((SECONDS - start)) s"
exit $status
