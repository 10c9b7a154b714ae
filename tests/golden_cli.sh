#!/usr/bin/env bash
# Golden files of tessel-cli: each case's output (with its exit status) must equal
# tests/data/cli/NAME.txt.
# A mismatch writes NAME.txt.new beside it for a person to review (and to copy over the
# golden file when the change is intended). Cases whose document is not installed are skipped.
# Usage: golden_cli.sh TESSEL_CLI SOURCE_DIR
set -uo pipefail
cli=$(realpath "$1")
src=$2
dir=$src/tests/data/cli
failed=0
checked=0

# check NAME FILE [ARGS]: `tessel-cli grid`; run NAME COMMAND FILE [ARGS]: any command.
check() {
    local name=$1 file=$2
    shift 2
    run "$name" grid "$file" "$@"
}

run() {
    local name=$1 command=$2 file=$3
    shift 3
    if [[ ! -e $file ]]; then
        echo "skip $name: $file is not installed"
        return
    fi
    local out
    out=$(cd "$(dirname "$file")" && "$cli" "$command" "$(basename "$file")" "$@" 2>&1; echo "exit $?")
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
run check_unreadable check "$src/tests/data/cli"  # a folder cannot be read as a file
run tree_catalog tree "$src/samples/catalog.xml" --depth 3
run indent_catalog indent "$src/samples/catalog.xml"
run indent_fonts_conf indent "/etc/fonts/fonts.conf" --keep-comments --indent-size 2
run indent_iso_15924 indent "/usr/share/xml/iso-codes/iso_15924.xml" --max-attributes 2
run indent_latin1 indent "$src/tests/data/cli/latin1.xml"
run indent_broken indent "$src/tests/data/cli/broken.xml"
# Text the parse passes over is not deleted silently: refused unless forced.
run indent_trailing_text indent "$src/tests/data/cli/trailing_text.xml"
run indent_trailing_text_forced indent "$src/tests/data/cli/trailing_text.xml" --force
run indent_trailing_byte indent "$src/tests/data/cli/trailing_byte.xml"
run indent_json_comment indent "$src/tests/data/cli/commented.json"
run indent_bad_size indent "$src/samples/catalog.xml" --indent-size 12
run grid_bad_path grid "$src/samples/catalog.xml" --path "catalog/(x"

echo "$checked golden files checked"
exit $failed
