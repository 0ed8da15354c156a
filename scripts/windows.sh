#!/usr/bin/env bash
# Cross-builds base, files, analysis, search, the Win32 platform and the dialog (core_tests), the
# diagnosis and programmer-format modules, and their tests for 64-bit Windows with MinGW-w64
# (CRC-32 through zlib, as ISA-L has no MinGW build here; GoogleTest from Debian's googletest
# sources) and runs the tests under Wine, with a Wine prefix of its own
# in the build folder. No display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
dir=build-mingw
bash scripts/configure.sh "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DVESPERINE_WINDOW=OFF -DVESPERINE_CLI=OFF -DVESPERINE_ISAL=OFF -DVESPERINE_WERROR=ON "$@"
cmake --build "$dir" -j"$(nproc)" --target core_tests diagnosis_tests formats_tests
bash scripts/lint.sh --windows "$dir"  # the Win32 file system, which the Linux lint cannot parse

wine=$(command -v wine || command -v wine64 || ls /usr/lib/wine/wine64 2>/dev/null || true)
[ -n "$wine" ] || { echo "Wine is needed for the Windows tests: apt-get install wine64" >&2; exit 1; }
export WINEPREFIX="$PWD/$dir/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$WINEPREFIX"
# The first start makes the prefix (about twenty seconds); asking for Mono and Gecko is off.
status=0
"$wine" "$dir/tests/core_tests.exe" --gtest_brief=1 </dev/null || status=$?
"$wine" "$dir/tests/diagnosis_tests.exe" --gtest_brief=1 </dev/null || status=$?
"$wine" "$dir/tests/formats_tests.exe" --gtest_brief=1 </dev/null || status=$?
# The prefix's server would otherwise linger for a few seconds after the tests.
if command -v wineserver >/dev/null; then wineserver -k 2>/dev/null || true; fi
exit $status
