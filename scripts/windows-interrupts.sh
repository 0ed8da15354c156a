#!/usr/bin/env bash
# Ctrl+C in the middle of a write by the Windows vesperine-cli (under Wine, which turns SIGINT into
# the console's CTRL_C_EVENT): the target is the old file or the new one, never a part, and no
# temporary is left. The program waits at a point of its write (VESPERINE_TEST_STOP_AT: after
# making its temporary, after writing it, after moving it into place) and says so on standard
# error; this script then interrupts it. Ctrl+Break runs the same handler, but Wine offers no
# way to raise it from outside.
#   windows-interrupts.sh WINDOWS_CLI_EXE   (WINEPREFIX as windows.sh sets it)
set -euo pipefail
exe=$(realpath "$1")
wine=$(command -v wine || command -v wine64)
work=$(realpath "${TMPDIR:-/tmp}")/vesperine-interrupts-$$
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Tëmp"
cd "$work/Tëmp"
head -c 3000000 /dev/urandom >in.bin
"$wine" "$exe" extract in.bin --stripe odd -o new.bin </dev/null >/dev/null  # the whole run's result
failed=0
for point in created staged renamed; do
  printf 'old' >out.bin
  VESPERINE_TEST_STOP_AT=$point "$wine" "$exe" extract in.bin --stripe odd -o out.bin </dev/null >/dev/null 2>err.txt &
  pid=$!
  for _ in $(seq 1 300); do
    grep -q "stopped at $point" err.txt 2>/dev/null && break
    sleep 0.1
  done
  kill -INT "$pid" 2>/dev/null || true  # gone already if it never reached the point
  status=0
  wait "$pid" || status=$?
  expected=old
  [ $point = renamed ] && expected=new
  got=other
  cmp -s out.bin <(printf 'old') && got=old
  cmp -s out.bin new.bin && got=new
  left=$(find . -name '*.vesperine-part' | wc -l)
  # STATUS_CONTROL_C_EXIT (0xC000013A) reaches the shell as its low byte.
  if [ "$got" != "$expected" ] || [ "$left" != 0 ] || [ "$status" != 58 ]; then
    echo "windows-interrupts: Ctrl+C at '$point': target $got (expected $expected), $left temporaries left, status $status" >&2
    sed 's/^/  /' err.txt >&2
    failed=1
  fi
  rm -f ./*.vesperine-part
done
[ $failed = 0 ] && echo "windows-interrupts: Ctrl+C at each point of a write left the old or the new target and no temporary"
exit $failed
