#!/usr/bin/env bash
# The manual pages and the bash completion against the programs they describe. The programs'
# own --help texts are the reference, read at test time, so that a command or option added,
# renamed or dropped in the code fails here until the pages and the completion follow:
#  - the commands of `tessel-cli --help` are exactly the subsections of COMMANDS in
#    tessel-cli(1) and exactly what the completion offers after the program's name;
#  - each command's options (the --xxx and -o words of `tessel-cli CMD --help` that the
#    command accepts) appear in its subsection, which names no other option, and are exactly
#    what the completion offers for "-" after the command, with --help;
#  - --to offers exactly the encoding names `convert` documents and lists (--list), and
#    convert writes each of them; --type offers what the usage lines give;
#  - every option of `tessel --help` is in tessel(1) and its OPTIONS name no other (skipped
#    for a build without the window);
#  - both pages render with man without a warning and with their NAME line, and every example
#    in tessel-cli(1) runs with exit status 0 on a copy of samples/catalog.xml.
# The completion is run as bash runs it, with COMP_WORDS and COMP_CWORD set, once on its own
# and once more under the bash-completion package's _init_completion when that is installed.
# Usage: package_docs.sh TESSEL_CLI TESSEL_OR_EMPTY SOURCE_DIR
set -euo pipefail
cli=$(realpath "$1")
gui=${2:+$(realpath "$2")}
src=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Drift is collected and reported together, so one run names every page line to fix.
drift=0
report() { echo "DRIFT: $*"; drift=$((drift + 1)); }
# report_sets WHAT EXPECTED_FILE ACTUAL_FILE: reports the words only one of them holds.
report_sets() {
    local missing extra
    missing=$(comm -23 <(sort -u "$2") <(sort -u "$3") | tr '\n' ' ')
    extra=$(comm -13 <(sort -u "$2") <(sort -u "$3") | tr '\n' ' ')
    [[ -z $missing ]] || report "$1: missing $missing"
    [[ -z $extra ]] || report "$1: not expected $extra"
}

# The option words of a text: --name and -o, wherever they stand (in a usage line, in prose,
# in brackets or after a comma).
option_words() { tr -c 'A-Za-z0-9_-' '\n' | { grep -xE -- '--[a-z][a-z0-9-]*|-o' || true; } | sort -u; }

mkdir "$work/empty"
# Whether the tool's argument parser takes option $2 for command $1. Run without files in an
# empty folder: every command then stops at its arguments, and nothing is read or written.
accepts() {
    local err
    err=$(cd "$work/empty" && "$cli" "$1" "$2" </dev/null 2>&1 >/dev/null) || true
    [[ $err != *"unknown option $2"* ]]
}
# Whether option $2 of command $1 takes a value: given last, without one, it is refused so.
takes_value() {
    local err
    err=$(cd "$work/empty" && "$cli" "$1" "$2" </dev/null 2>&1 >/dev/null) || true
    [[ $err == *"option $2 needs a value"* ]]
}

# --- The reference: commands and options from the programs themselves. ---

version=$("$cli" --version | awk '{ print $2 }')
[[ -n $version ]] || fail "tessel-cli --version prints no release number"
"$cli" --help > "$work/help"
# Command lines of the main help: two blanks, then the command's name.
commands=$(sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p' "$work/help")
[[ $(wc -w <<<"$commands") -ge 5 ]] || fail "no commands found in tessel-cli --help: $commands"
printf '%s\n' $commands > "$work/commands"
# The options that stand in place of a command: the main help's lines that start with one,
# and --help, which prints that text.
{ sed -n 's/^  \(--[a-z][a-z-]*\).*/\1/p' "$work/help"; echo --help; } | sort -u > "$work/top-options"

# A probe that cannot tell a known option from an unknown one would pass anything.
for command in $commands; do
    ! accepts "$command" --no-such-option || fail "the probe does not see $command reject an unknown option"
done

# Each command's options: the option words of its help that it accepts. A word it rejects must
# be another command's option named with that command ("PATH names a node as for grid --path").
for command in $commands; do
    "$cli" "$command" --help > "$work/help-$command" ||
        fail "tessel-cli $command --help fails"
    grep -q "^usage: tessel-cli $command" "$work/help-$command" ||
        fail "tessel-cli $command --help prints no usage line"
    : > "$work/options-$command"
    for word in $(option_words < "$work/help-$command"); do
        if accepts "$command" "$word"; then
            echo "$word" >> "$work/options-$command"
            continue
        fi
        owner=""
        for other in $commands; do
            if [[ $other != "$command" ]] &&
                grep -qE "(^|[^A-Za-z0-9_-])$other $word([^A-Za-z0-9_-]|$)" "$work/help-$command" &&
                accepts "$other" "$word"; then
                owner=$other
            fi
        done
        [[ -n $owner ]] || report "tessel-cli $command --help names $word, which $command rejects"
    done
done

# --- The manual pages render cleanly. ---

# man as a reader's terminal runs it, 80 columns wide, but plain text and whatever options the
# environment sets for man.
command -v man >/dev/null || fail "man (man-db) is needed to render the pages"
man_page() { env -u MANOPT -u MANROFFOPT LC_ALL=C.UTF-8 MANWIDTH=80 MAN_KEEP_FORMATTING= man "$@"; }

# Renders package/$1.1.in as installed (the release number put in) to $work/$1.txt: man must
# say nothing on standard error, and automatic hyphenation is undone so that words are whole.
render() {
    local page=$work/$1.1 warnings
    sed "s/@PROJECT_VERSION@/$version/g" "$src/package/$1.1.in" > "$page"
    # configure_file (@ONLY) would put any other @NAME@ in the page as an empty text.
    local placeholders
    placeholders=$(grep -oE '@[A-Za-z_][A-Za-z0-9_]*@' "$page" || true)
    [[ -z $placeholders ]] || report "$1.1.in: placeholders configure_file would empty: $placeholders"
    warnings=$(man_page --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || report "$1.1 renders with warnings: $warnings"
    man_page -l "$page" 2>/dev/null |
        sed -z 's/‐\n *//g' > "$work/$1.txt"
    grep -qE "^       $1 - [a-z]" "$work/$1.txt" || report "$1.1: no NAME line \"$1 - ...\""
    grep -qE "^Tessel $version +" "$work/$1.txt" || report "$1.1: the footer does not name Tessel $version"
}
# The body of section $2 (a .SH) of rendered page $1; section titles start in column 0.
section() { awk -v title="$2" '/^[^ ]/ { inside = ($0 == title); next } inside' "$work/$1.txt"; }
# The body of subsection $3 (a .SS, indented three blanks, named by its first word) of $2.
subsection() {
    section "$1" "$2" | awk -v name="$3" '/^   [^ ]/ { inside = ($1 == name); next } inside'
}

render tessel-cli
render tessel

# --- tessel-cli(1): commands and options. ---

section tessel-cli COMMANDS | awk '/^   [^ ]/ { print $1 }' > "$work/man-commands"
report_sets "tessel-cli(1) COMMANDS subsections against tessel-cli --help" \
    "$work/commands" "$work/man-commands"
section tessel-cli OPTIONS | option_words > "$work/man-top-options"
report_sets "tessel-cli(1) OPTIONS against the options in place of a command" \
    "$work/top-options" "$work/man-top-options"
for command in $commands; do
    subsection tessel-cli COMMANDS "$command" | option_words > "$work/man-options-$command"
    # Every option documented; no option the command does not take.
    report_sets "tessel-cli(1) $command options against tessel-cli $command --help" \
        "$work/options-$command" "$work/man-options-$command"
done

# --- The examples of tessel-cli(1) work. ---

mkdir "$work/examples"
cp "$src/samples/catalog.xml" "$work/examples/"
# An example is a line of EXAMPLES that starts with the program's name, with the lines it
# continues with a trailing backslash.
section tessel-cli EXAMPLES |
    awk '/^ +tessel-cli / { line = $0; sub(/^ +/, "", line); going = 1 }
         going && !/^ +tessel-cli / { l = $0; sub(/^ +/, "", l); line = line " " l }
         going && !/\\$/ { print line; going = 0 }
         going { sub(/\\$/, "", line) }' > "$work/examples.txt"
[[ -s $work/examples.txt ]] || report "tessel-cli(1) has no examples"
while IFS= read -r example; do
    # Examples on a system file this machine lacks are skipped.
    missing_file=""
    for word in $example; do
        [[ $word == /* && ! -e $word ]] && missing_file=$word
    done
    [[ -z $missing_file ]] || { echo "skipped (no $missing_file): $example"; continue; }
    (cd "$work/examples" &&
        TESSEL_CLI=$cli env -u BASH_ENV bash -c 'tessel-cli() { "$TESSEL_CLI" "$@"; }; eval "$1"' \
            _ "$example") \
        >/dev/null 2>"$work/example-error" ||
        report "example fails: $example: $(cat "$work/example-error")"
done < "$work/examples.txt"

# --- tessel(1). ---

if [[ -n $gui ]]; then
    "$gui" --help | option_words > "$work/gui-options"
    [[ -s $work/gui-options ]] || fail "no options found in tessel --help"
    section tessel OPTIONS | option_words > "$work/man-gui-options"
    report_sets "tessel(1) OPTIONS against tessel --help" "$work/gui-options" "$work/man-gui-options"
else
    echo "skipped: tessel(1) against tessel --help (no window in this build)"
fi

# --- The completion. ---

# The offers, one a line, for the command line whose words are the arguments after $1, the
# last one being completed; $1 is "plain" (bash alone) or "package" (under bash-completion).
# The function is the one the script registers for tessel-cli, called as bash calls it.
bash_completion=/usr/share/bash-completion/bash_completion
complete_line() {
    local mode=$1
    shift
    env -u BASH_ENV bash -c '
        [[ $1 == package ]] && source "$2"
        source "$3" || exit
        shift 3
        spec=$(complete -p tessel-cli) || exit
        function=${spec#*-F }
        function=${function%% *}
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        "$function" tessel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' _ "$mode" "$bash_completion" \
        "$src/package/tessel-cli.bash" "$@" | sed '/^$/d'
}

# The names `convert --to` takes: the Unicode forms its help lists after "NAME:", and the code
# pages by the declaration names of `convert --list` (whose UTF rows are the same six forms).
sed -n '/^NAME:/,$p' "$work/help-convert" | tr -c 'a-z0-9-' '\n' | grep -x 'utf-.*' |
    sort -u > "$work/unicode-names"
"$cli" convert --list > "$work/encoding-list"
[[ $(grep -c ' utf-' "$work/encoding-list") -eq $(wc -l < "$work/unicode-names") ]] ||
    report "convert --list has other UTF rows than the $(wc -l < "$work/unicode-names") forms its help names"
{ cat "$work/unicode-names"; awk '$NF !~ /^utf-/ { print $NF }' "$work/encoding-list"; } |
    sort -u > "$work/encodings"
[[ $(wc -l < "$work/encodings") -eq $(wc -l < "$work/encoding-list") ]] ||
    report "the names of convert's help and --list do not name each listed encoding once"
# Each name is one convert writes.
mkdir "$work/convert"
printf '<?xml version="1.0"?>\n<a b="c">text</a>\n' > "$work/convert/in.xml"
while read -r name; do
    "$cli" convert "$work/convert/in.xml" --to "$name" -o "$work/convert/out.xml" 2>/dev/null ||
        report "tessel-cli convert --to $name fails"
done < "$work/encodings"
# What --type takes, from the usage lines: "--type xml|dtd|json".
grep -ohE -- '--type [a-z|]+' "$work"/help-* | sed 's/--type //' | tr '|' '\n' |
    sort -u > "$work/types"

# Files for FILE and for -o, from the folder the line is completed in.
mkdir "$work/files"
touch "$work/files/report.xml" "$work/files/rates.json" "$work/files/other.txt"
printf '%s\n' rates.json report.xml > "$work/files-r"

# The script must register a function for the program's name, which complete_line calls.
registration=$(env -u BASH_ENV bash -c 'source "$1" && complete -p tessel-cli' _ \
    "$src/package/tessel-cli.bash" 2>&1) || true
[[ $registration == *" -F "* ]] ||
    fail "package/tessel-cli.bash registers no completion function for tessel-cli: $registration"

modes=(plain)
if [[ -r $bash_completion ]]; then
    modes+=(package)
else
    echo "skipped: the completion under bash-completion (not installed)"
fi
for mode in "${modes[@]}"; do
    complete_line "$mode" "$cli" "" > "$work/offers"
    report_sets "[$mode] completion of the command" "$work/commands" "$work/offers"
    complete_line "$mode" "$cli" - > "$work/offers"
    report_sets "[$mode] completion of the options in place of a command" \
        "$work/top-options" "$work/offers"
    for command in $commands; do
        complete_line "$mode" "$cli" "$command" - > "$work/offers"
        { cat "$work/options-$command"; echo --help; } > "$work/expected"
        report_sets "[$mode] completion of tessel-cli $command -" "$work/expected" "$work/offers"
        if grep -qx -- --type "$work/options-$command"; then
            complete_line "$mode" "$cli" "$command" --type "" > "$work/offers"
            report_sets "[$mode] completion of tessel-cli $command --type" "$work/types" "$work/offers"
        fi
        # The first operand is a file for every command but convert --list.
        (cd "$work/files" && complete_line "$mode" "$cli" "$command" r) > "$work/offers"
        report_sets "[$mode] completion of the file of tessel-cli $command" "$work/files-r" "$work/offers"
        # After an option that takes a value the word is that value: a file for -o, nothing
        # beginning with "r" for the others (no type or encoding does). After one that takes
        # none it is the command's file again.
        for option in $(cat "$work/options-$command"); do
            (cd "$work/files" && complete_line "$mode" "$cli" "$command" "$option" r) > "$work/offers"
            if [[ $option == -o ]] || ! takes_value "$command" "$option"; then
                report_sets "[$mode] completion after tessel-cli $command $option" \
                    "$work/files-r" "$work/offers"
            else
                report_sets "[$mode] completion after tessel-cli $command $option" \
                    /dev/null "$work/offers"
            fi
        done
    done
    complete_line "$mode" "$cli" convert in.xml --to "" > "$work/offers"
    report_sets "[$mode] completion of convert --to" "$work/encodings" "$work/offers"
done

[[ $drift -eq 0 ]] || fail "$drift difference(s) between the programs and their pages or completion"
echo "package docs: $(wc -l < "$work/commands") commands, $(cat "$work"/options-* | wc -l) options," \
    "$(wc -l < "$work/encodings") encodings, $(wc -l < "$work/examples.txt") examples," \
    "completion modes: ${modes[*]}"
