#!/usr/bin/env bash
# Golden files of tessel-cli: each case's output (with its exit status) must equal
# tests/data/cli/NAME.txt.
# A mismatch writes NAME.txt.new beside it for a person to review (and to copy over the
# golden file when the change is intended). A case whose document is not installed is skipped
# with a note, and fails when CI is set (tools/install-deps test installs every document).
# Usage: golden_cli.sh TESSEL_CLI SOURCE_DIR
set -uo pipefail
cli=$(realpath "$1")
src=$2
dir=$src/tests/data/cli
failed=0
checked=0
skipped=0

# check NAME FILE [ARGS]: `tessel-cli grid`; run NAME COMMAND FILE [ARGS]: any command;
# full NAME COMMAND FILE [ARGS]: any command writing to a full device (/dev/full), so that the
# golden file holds what it says about that on standard error, and its exit status.
check() {
    local name=$1 file=$2
    shift 2
    run "$name" grid "$file" "$@"
}

run() {
    run_case plain "$@"
}

full() {
    run_case full "$@"
}

run_case() {
    local mode=$1 name=$2 command=$3 file=$4
    shift 4
    if [[ ! -e $file ]]; then
        case ${CI:-} in
            "" | 0 | false)
                echo "skip $name: $file is not installed"
                skipped=$((skipped + 1))
                ;;
            *)
                echo "MISSING: $name: $file is not installed (tools/install-deps test)"
                failed=1
                ;;
        esac
        return
    fi
    local out
    if [[ $mode == full ]]; then
        out=$(cd "$(dirname "$file")" && "$cli" "$command" "$(basename "$file")" "$@" 2>&1 >/dev/full
              echo "exit $?")
    else
        out=$(cd "$(dirname "$file")" && "$cli" "$command" "$(basename "$file")" "$@" 2>&1; echo "exit $?")
    fi
    if [[ "$out" == "$(cat "$dir/$name.txt" 2>/dev/null)" ]]; then
        rm -f "$dir/$name.txt.new"
    else
        printf '%s' "$out" > "$dir/$name.txt.new"
        echo "DIFFERS: $name (see $dir/$name.txt.new)"
        failed=1
    fi
    checked=$((checked + 1))
}

mime=/usr/share/mime/packages/freedesktop.org.xml
check mime_root "$mime"
check mime_type_7 "$mime" --path "mime-info/mime-type(7)"
check mime_magic "$mime" --path "mime-info/mime-type(2)/magic"
check iso_4217_by_name "/usr/share/xml/iso-codes/iso_4217.xml" --path iso_4217_entries --sort 4
check catalog_orders "$src/samples/catalog.xml" --path catalog/orders
check catalog_products_by_price "$src/samples/catalog.xml" --path "catalog/products" --sort 7:desc
check fonts_conf "/etc/fonts/fonts.conf" --path "fontconfig"

check json_iso_15924 /usr/share/iso-codes/json/iso_15924.json --path 15924
run tree_fonts_dtd tree /usr/share/xml/fontconfig/fonts.dtd --depth 2
run indent_iso_15924_json indent /usr/share/iso-codes/json/iso_15924.json
run indent_fonts_dtd indent /usr/share/xml/fontconfig/fonts.dtd
run check_json_trailing_comma check "$src/tests/data/cli/trailing_comma.json"
run check_broken check "$src/tests/data/cli/broken.xml"
run check_clean check "$src/samples/catalog.xml"
run check_stray_text check "$src/tests/data/cli/stray_text.xml"
run check_failures_after_fatal check "$src/tests/data/cli/failures_after_fatal.xml"
run check_unfinished_dtd check "$src/tests/data/cli/unfinished.dtd"
# An IGNORE section holds any text, with the sections inside it paired up.
run check_ignore_section check "$src/tests/data/cli/ignore_section.dtd"
# XML in an encoding the tool does not read is not judged (exit 2), whatever its bytes.
run check_unread_encoding check "$src/tests/data/cli/shift_jis.xml"
run check_unreadable check "$src/tests/data/cli"  # a folder cannot be read as a file
# Documents that break one well-formedness rule each (XML), and JSON texts valid and not.
nwf=$src/tests/data/cli/not_well_formed
run check_not_well_formed check "$nwf/01_empty_end_tag.xml" $(cd "$nwf" && ls | tail -n +2)
run tree_catalog tree "$src/samples/catalog.xml" --depth 3
run indent_catalog indent "$src/samples/catalog.xml"
# Comments are kept by default; --remove-comments removes them, and the older
# --keep-comments is still accepted.
run indent_fonts_conf indent "/etc/fonts/fonts.conf" --indent-size 2
run indent_iso_15924 indent "/usr/share/xml/iso-codes/iso_15924.xml" --max-attributes 2 --remove-comments
run indent_contradicting_switches indent "$src/samples/catalog.xml" --remove-comments --keep-comments
run indent_latin1 indent "$src/tests/data/cli/latin1.xml"
# A document whose lines end CR LF is indented with CR LF throughout.
run indent_crlf indent "$src/tests/data/cli/crlf.xml" --keep-comments
run indent_broken indent "$src/tests/data/cli/broken.xml"
# Text the parse passes over is not deleted silently: refused unless forced.
run indent_trailing_text indent "$src/tests/data/cli/trailing_text.xml"
run indent_trailing_text_forced indent "$src/tests/data/cli/trailing_text.xml" --force
run indent_trailing_byte indent "$src/tests/data/cli/trailing_byte.xml"
run indent_json_comment indent "$src/tests/data/cli/commented.json"
run indent_bad_size indent "$src/samples/catalog.xml" --indent-size 12
run grid_bad_path grid "$src/samples/catalog.xml" --path "catalog/(x"
run grid_no_such_sort_column grid "$src/samples/catalog.xml" --path catalog/orders --sort 99
# Repeated texts longer than any buffer, in two-byte characters, come out whole.
run grid_long_repeated_text grid "$src/tests/data/cli/long_repeat.xml" --path doc
run check_two_files check "$src/tests/data/cli/broken.xml" latin1.xml
# Deeper than 64 levels, lines keep 128 blanks and show their level.
run tree_deep tree "$src/tests/data/cli/deep.xml"
# A write error on standard output is reported, with exit status 2, by every command.
full full_check check "$src/tests/data/cli/broken.xml"
full full_tree tree "$src/samples/catalog.xml"
full full_grid grid "$src/samples/catalog.xml"
full full_info info "$src/samples/catalog.xml"
full full_encoding encoding "$src/samples/catalog.xml"
full full_indent indent "$src/samples/catalog.xml"

echo "$checked golden files checked, $skipped skipped"
# 77 tells ctest that cases were skipped (all that ran passed).
if ((failed == 0 && skipped > 0)); then exit 77; fi
exit $failed
