#!/usr/bin/env bash
# Packs an existing build folder (default build/, built with the window and the CLI) into
# vesperine_<version>_amd64.deb with cpack, then checks the package as a user would get it:
# its files and Depends with dpkg-deb, both manual pages rendered by man without a warning,
# and the bash completion offering every subcommand, from a copy unpacked with dpkg -x.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
fail() { echo "package: $*" >&2; exit 1; }

log=$dir/package/cpack.log
mkdir -p "$dir/package"
rm -f "$dir"/package/vesperine_*.deb
(cd "$dir" && cpack -G DEB -B "$PWD/package") >"$log" 2>&1 || { cat "$log"; fail "cpack failed"; }
debs=("$dir"/package/vesperine_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one vesperine_*_amd64.deb in $dir/package"
deb=${debs[0]}
echo "package: $deb ($(stat -c %s "$deb") bytes)"

# Exactly these files, so that a lost install rule or a stray one both show.
expected="./usr/bin/vesperine
./usr/bin/vesperine-cli
./usr/share/applications/vesperine.desktop
./usr/share/bash-completion/completions/vesperine-cli
./usr/share/doc/vesperine/copyright
./usr/share/icons/hicolor/16x16/apps/vesperine.png
./usr/share/icons/hicolor/32x32/apps/vesperine.png
./usr/share/man/man1/vesperine-cli.1.gz
./usr/share/man/man1/vesperine.1.gz"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
[ "$files" = "$(LC_ALL=C sort <<<"$expected")" ] ||
  fail "the files differ from those expected:"$'\n'"$(diff <(LC_ALL=C sort <<<"$expected") - <<<"$files" || true)"

# Depends comes from dpkg-shlibdeps: the libraries the two programs link, and nothing to build with.
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: Depends: $depends"
names=$(sed 's/ ([^)]*)//g; s/, */\n/g' <<<"$depends")
for needed in libc6 libstdc++6 libqt6core6 libqt6widgets6 libssl3 libzip4 libexpat1; do
  grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed"
done
! grep -q -- '-dev$' <<<"$names" || fail "Depends names a development package"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
cli=$root/usr/bin/vesperine-cli
"$root/usr/bin/vesperine" --version | grep -q '^License GPLv3+' || fail "vesperine --version names no licence"
"$cli" --version | grep -q '^License GPLv3+' || fail "vesperine-cli --version names no licence"
subcommands=$("$cli" --help | awk '/^Subcommands:$/ { on = 1; next } on && /^  [a-z]/ { print $1 } /^$/ { on = 0 }')
[ -n "$subcommands" ] || fail "vesperine-cli --help lists no subcommand"

# Each page renders without a warning, names itself for whatis, and the CLI's has every subcommand.
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  lexgrog "$page" >/dev/null || fail "$(basename "$page"): no NAME line that whatis can read"
done
text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$root/usr/share/man/man1/vesperine-cli.1.gz" 2>/dev/null)
for sub in $subcommands; do
  grep -Eq "^   $sub\$" <<<"$text" || fail "vesperine-cli(1) has no section for $sub"
done

# The completion, loaded as bash-completion would, offers every subcommand at the first word.
offered=$(PATH="$root/usr/bin:$PATH" bash -c '
  source /usr/share/bash-completion/bash_completion
  source "$1"
  COMP_WORDS=(vesperine-cli ""); COMP_CWORD=1; COMP_LINE="vesperine-cli "; COMP_POINT=${#COMP_LINE}
  _vesperine_cli vesperine-cli "" vesperine-cli
  printf "%s\n" "${COMPREPLY[@]}"' _ "$root/usr/share/bash-completion/completions/vesperine-cli")
for sub in $subcommands; do
  grep -qx "$sub" <<<"$offered" || fail "the completion does not offer $sub"
done
echo "package: contents, Depends, manual pages and completion checked"
