#!/usr/bin/env bash
# Makes a program's manual page with help2man from its --help and --version, the sections of
# INCLUDE, and, for a program with subcommands, each subcommand's --help as a section of its
# own: make_page.sh PROGRAM INCLUDE OUT.1.gz
set -euo pipefail
program=$1 include=$2 out=$3
# Made beside the target and renamed into place when complete, so no half page is left.
mkdir -p "$(dirname "$out")"
work=$(mktemp -d "$(dirname "$out")/.page.XXXXXX")
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
touch "$work/page.h2m"
subcommands=$("$program" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^  [a-z]/ { print $1 } /^$/ { on = 0 }')
if [ -n "$subcommands" ]; then
  {
    echo "[SUBCOMMANDS]"
    for sub in $subcommands; do
      echo ".SS $sub"
      "$program" "$sub" --help | awk -f "$(dirname "$0")/help_to_roff.awk"
    done
  } >"$work/page.h2m"
fi
# help2man keeps sections of its own naming in the order given: the subcommands come first.
cat "$include" >>"$work/page.h2m"
# A first line "name: what it does" is the page's NAME; otherwise INCLUDE gives one.
name=()
summary=$("$program" --help | sed -n "1s/^$(basename "$program"): //p")
[ -z "$summary" ] || name=(--name "$summary")
help2man --no-info --no-discard-stderr "${name[@]}" --include "$work/page.h2m" --output "$work/page.1" "$program"
gzip -9n <"$work/page.1" >"$work/page.1.gz"
mv "$work/page.1.gz" "$out"
