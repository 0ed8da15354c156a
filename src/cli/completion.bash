# bash completion for vesperine-cli: subcommands, their options, the choices of an option and
# file names where a file is expected, all read from the program's own --help when asked, so
# that it matches whichever vesperine-cli is typed (installed, or one in a build folder).

# One line per option of a subcommand's help: its names, then what its value is (flag, file,
# choice or value), then its choices. A TEXT value is a file name unless its help says hex.
_vesperine_cli_options() {
    LC_ALL=C "$1" "$2" --help 2>/dev/null | awk '
        /^  -/ {
            line = substr($0, 3); description = ""
            if (match(line, /  +/)) { description = substr(line, RSTART + RLENGTH); line = substr(line, 1, RSTART - 1) }
            else if ((getline following) > 0) description = following
            n = split(line, words, " "); names = words[1]; gsub(/,/, " ", names)
            kind = "flag"; choices = ""
            if (n > 1 && words[2] ~ /\{/) { kind = "choice"; choices = words[2]; sub(/^[^{]*\{/, "", choices); sub(/\}.*$/, "", choices); gsub(/,/, " ", choices) }
            else if (n > 1 && words[2] ~ /^TEXT/ && description !~ /hex/) kind = "file"
            else if (n > 1) kind = "value"
            print names "\t" kind "\t" choices
        }'
}

_vesperine_cli() {
    local cur prev words cword split
    _init_completion -s || return
    local program=${words[0]} subcommands subcommand="" i
    [[ $program == "~/"* ]] && program=$HOME/${program#"~/"}
    subcommands=$(LC_ALL=C "$program" --help 2>/dev/null |
        awk '/^Subcommands:$/ { on = 1; next } on && /^  [a-z]/ { print $1 } /^$/ { on = 0 }')
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* && " ${subcommands//$'\n'/ } " == *" ${words[i]} "* ]]; then
            subcommand=${words[i]}
            break
        fi
    done
    if [[ -z $subcommand ]]; then
        COMPREPLY=($(compgen -W "$subcommands --help --version" -- "$cur"))
        return
    fi
    local options names kind choices
    options=$(_vesperine_cli_options "$program" "$subcommand")
    if [[ $prev == -* ]]; then
        IFS=$'\t' read -r names kind choices < <(awk -F '\t' -v option="$prev" \
            '{ n = split($1, names, " "); for (i = 1; i <= n; i++) if (names[i] == option) { print; exit } }' <<<"$options")
        case $kind in
            file) _filedir; return ;;
            choice) COMPREPLY=($(compgen -W "$choices" -- "$cur")); return ;;
            value) return ;;
        esac
    fi
    $split && return
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(cut -f 1 <<<"$options")" -- "$cur"))
    else
        _filedir
    fi
}
complete -F _vesperine_cli vesperine-cli
