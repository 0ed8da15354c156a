#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build -DVESPERINE_TESTS=OFF
# --help and --version answer on standard output and need no display.
case " $* " in *" --help "* | *" -h "* | *" --version "*) exec build/src/platform/qt/vesperine "$@" ;; esac
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "vesperine: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset)." >&2
  echo "Run it from a desktop session, or under a virtual display: xvfb-run scripts/run.sh" >&2
  exit 1
fi
exec build/src/platform/qt/vesperine "$@"
