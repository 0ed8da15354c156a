#!/usr/bin/env bash
# Checks the layout, builds everything (warnings are errors) and runs every test: lint on the
# core, the core and the window, the window under Valgrind, the long tasks under ThreadSanitizer, the core again under
# AddressSanitizer and UndefinedBehaviorSanitizer without ISA-L, vesperine-cli and the tests on
# Windows (MinGW-w64 under Wine) against the Linux program, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each stage's time, so that a slow one is seen in the log.
last=$SECONDS
lap() {
  echo "test.sh: $1 in $((SECONDS - last)) s, $SECONDS s in all"
  last=$SECONDS
}
bash scripts/install-deps.sh
bash scripts/format.sh --check
lap "packages and layout"
bash scripts/build.sh build -DVESPERINE_WERROR=ON
lap "build/"
bash scripts/lint.sh build
lap "lint"
# --no-tests=error: a folder whose tests were never built fails here instead of passing.
(cd build && ctest --output-on-failure --timeout 600 --no-tests=error)
lap "ctest in build/"
# The Debian package from the binaries just tested, its files, Depends, manual pages and completion.
bash scripts/package.sh build
lap "package"
# The window tests once more under Valgrind's memcheck: no invalid access and no leak.
if [ -x build/tests/window/window_tests ]; then
  command -v valgrind >/dev/null || { echo "valgrind is needed for the window tests: apt-get install valgrind" >&2; exit 1; }
  # Qt's regular expressions compile to machine code that memcheck cannot see into. Valgrind
  # runs one thread at a time; fair scheduling keeps a searching worker thread from starving
  # the window's thread (the search tests otherwise take ten minutes instead of seconds).
  QT_QPA_PLATFORM=offscreen QT_ENABLE_REGEXP_JIT=0 valgrind --fair-sched=yes --error-exitcode=1 --leak-check=full \
    --num-callers=30 \
    --suppressions=tests/valgrind.supp -q build/tests/window/window_tests --gtest_brief=1
fi
lap "window tests under Valgrind"
# The long tasks under ThreadSanitizer: the core's guard and long-task tests against the fake
# host's worker thread, the window's long-task and search tests against the Qt host's, and the
# label solver's two threads. Only these targets are built, and only the tests with a second
# thread are run.
bash scripts/install-deps.sh
bash scripts/configure.sh build-tsan -DVESPERINE_TSAN=ON
cmake --build build-tsan -j"$(nproc)" --target core_tests window_tests checksum_tests
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
  build-tsan/tests/core_tests --gtest_brief=1 --gtest_filter='LongTask*:CrcSearch.*:HostContract/*'
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" QT_QPA_PLATFORM=offscreen \
  build-tsan/tests/window/window_tests --gtest_brief=1 --gtest_filter='LongTask*:GoAttack*:LargeFiles*:KeyState*:InspectorTasks*'
# The label solver, whose second processor copies the lanes and takes range searches.
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
  build-tsan/tests/checksum_tests --gtest_brief=1 --gtest_filter='LabelSolver*'
lap "ThreadSanitizer"
# The sanitizer build is also the build without ISA-L: CRC-32 through zlib's crc32, as where
# ISA-L does not exist (ISA-L's assembly is not instrumented by the sanitizers anyway).
bash scripts/build.sh build-sanitize -DVESPERINE_SANITIZE=ON -DVESPERINE_WINDOW=OFF -DVESPERINE_ISAL=OFF \
  -DVESPERINE_WERROR=ON
(cd build-sanitize && ctest --output-on-failure --timeout 900 --no-tests=error)
lap "ASan and UBSan"
# vesperine-cli and every test program cross-built for Windows and run under Wine, the same
# command lines through build/'s vesperine-cli and the Windows one compared, and the zip.
bash scripts/windows.sh --linux build
lap "Windows"
# Each fuzz target for a short while (clang, ASan and UBSan): hex fields, the dialog's commands,
# the window search.
bash scripts/fuzz.sh 20
lap "fuzzing"
