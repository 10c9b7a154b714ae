# bash completion for tessel-cli                                   -*- shell-script -*-
# Installed as share/bash-completion/completions/tessel-cli, where the bash-completion package
# loads it the first time the command is completed; without that package, source this file.
#
# The first word after tessel-cli is a command; after it come that command's options (offered
# when the word starts with "-", each only until it is given, as the tool takes each option at
# most once), its files, and the values of the options that take one. The option lists below
# follow `tessel-cli COMMAND --help`; tests/package_docs.sh fails when they drift apart.

# The commands, in the order `tessel-cli --help` lists them.
_tessel_cli_commands="check tree grid stats indent set encoding convert info"

# The options that take a value: the tool reads the next word (or the text after "=") as the
# value, so that word is neither a file nor an option.
_tessel_cli_valued="-o --type --to --depth --path --sort --filter --column --indent-size --max-attributes"

# Prints the options of command $1, --help included (every command has it).
_tessel_cli_options()
{
    local options
    case $1 in
        check) options="--type" ;;
        tree) options="--depth --type" ;;
        grid) options="--path --sort --filter --type" ;;
        stats) options="--path --column --filter --type" ;;
        indent) options="-o --indent-size --max-attributes --remove-comments --force --type" ;;
        set) options="-o --type" ;;
        encoding) options="" ;;
        convert) options="--to -o --allow-loss --list" ;;
        info) options="" ;;
        *) return 1 ;;
    esac
    printf '%s\n' $options --help
}

# Prints the names `convert --to` takes: the Unicode forms by the names convert's help gives
# them, and every code page by the name its declarations give, which is the last column of
# `convert --list` (its UTF rows name the Unicode families, not one form, and are left out).
# $1 is the tessel-cli the line runs, so a build tree's program offers its own list.
_tessel_cli_encodings()
{
    local cli=$1
    [[ $cli == "~/"* ]] && cli=$HOME/${cli#"~/"}
    printf '%s\n' utf-8 utf-8-bom utf-16le utf-16le-bom utf-16be utf-16be-bom
    "$cli" convert --list 2>/dev/null | awk 'NF >= 3 && $NF !~ /^utf-/ { print $NF }'
}

# COMPREPLY := the words of the list $1 (one a line) that start with $cur.
_tessel_cli_words()
{
    local IFS=$'\n'
    mapfile -t COMPREPLY < <(compgen -W "$1" -- "$cur")
}

# COMPREPLY := the files and folders whose names start with $cur.
_tessel_cli_files()
{
    if declare -F _filedir >/dev/null; then
        _filedir
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "${cur#[\"\']}")
    fi
}

# Without bash-completion: words, cword, cur and prev as _init_completion -s -n : sets them.
# Bash splits the line at "=" and ":" too ("--to=koi8-r" arrives as "--to" "=" "koi8-r", a
# sort key "2:desc" as "2" ":" "desc"); pieces that no blank separates are joined again into
# the word the tool sees, and a current word "--option=value" is split into prev and cur.
_tessel_cli_words_of_line()
{
    local line=${COMP_LINE:0:COMP_POINT} pos=0 j piece rest blanks
    words=()
    cword=0
    for ((j = 0; j < ${#COMP_WORDS[@]}; j++)); do
        piece=${COMP_WORDS[j]}
        rest=${line:pos}
        blanks=${rest%%[![:space:]]*}
        if ((j > 0 && ${#blanks} == 0 && pos > 0)); then
            words[${#words[@]} - 1]+=$piece
        else
            words+=("$piece")
        fi
        ((pos += ${#blanks} + ${#piece}))
        ((j == COMP_CWORD)) && cword=$((${#words[@]} - 1))
        ((j >= COMP_CWORD)) && break
    done
    # The cursor after a blank starts a new, empty word.
    ((cword < ${#words[@]})) || words+=("")
    cur=${words[cword]}
    prev=${words[cword - 1]}
    split=false
    if [[ $cur == --?*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
        split=true
    fi
}

_tessel_cli()
{
    local cur prev words cword split
    if declare -F _init_completion >/dev/null; then
        _init_completion -s -n : || return
    else
        _tessel_cli_words_of_line
    fi

    if ((cword == 1)); then
        if [[ $cur == -* ]]; then
            _tessel_cli_words $'--help\n--version'
        else
            _tessel_cli_words "${_tessel_cli_commands// /$'\n'}"
        fi
        return
    fi

    local command=${words[1]} options
    options=$(_tessel_cli_options "$command") || return

    # The values of the options that take one.
    case $prev in
        --type)
            [[ $options == *--type* ]] && _tessel_cli_words $'xml\ndtd\njson'
            _tessel_cli_put_option_back
            return
            ;;
        --to)
            [[ $command == convert ]] && _tessel_cli_words "$(_tessel_cli_encodings "${words[0]}")"
            _tessel_cli_put_option_back
            return
            ;;
        -o)
            _tessel_cli_files
            return
            ;;
    esac
    # Numbers, paths, sort keys, filters and columns are the user's to type.
    [[ " $_tessel_cli_valued " == *" $prev "* ]] && return

    # The words before the current one: the options given and the files (operands) named.
    local i word operands=0 given=" " after_dashes=false
    for ((i = 2; i < cword; i++)); do
        word=${words[i]}
        if [[ $after_dashes == true ]]; then
            operands=$((operands + 1))
            continue
        fi
        case $word in
            --) after_dashes=true ;;
            -?*=*) given+="${word%%=*} " ;;
            -?*)
                given+="$word "
                [[ " $_tessel_cli_valued " == *" $word "* ]] && i=$((i + 1))
                ;;
            *) operands=$((operands + 1)) ;;
        esac
    done

    if [[ $cur == -* && $after_dashes == false ]]; then
        local option offers=""
        for option in $options; do
            [[ $given == *" $option "* ]] || offers+="$option"$'\n'
        done
        _tessel_cli_words "$offers"
        return
    fi

    # Files: every operand of check, encoding and info; the one FILE of the others (after it
    # come set's edits, and no more operands for the rest).
    case $command in
        check | encoding | info) _tessel_cli_files ;;
        *) if ((operands == 0)); then _tessel_cli_files; fi ;;
    esac
    return 0
}

# After a value typed as --option=TEXT: bash replaces only the text after the "=" when "="
# breaks words (as it does unless COMP_WORDBREAKS was changed), which the values alone fit;
# otherwise it replaces the whole word, so "--to=ko" must become "--to=koi8-r".
_tessel_cli_put_option_back()
{
    local i
    [[ $split == true && $COMP_WORDBREAKS != *=* ]] || return 0
    for i in "${!COMPREPLY[@]}"; do
        COMPREPLY[i]="$prev=${COMPREPLY[i]}"
    done
}

complete -F _tessel_cli tessel-cli
