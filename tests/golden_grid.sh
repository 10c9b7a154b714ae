#!/usr/bin/env bash
# Golden files of `tessel-cli grid`: each case's output must equal tests/data/grid/NAME.txt.
# A mismatch writes NAME.txt.new beside it for a person to review (and to copy over the
# golden file when the change is intended). Cases whose document is not installed are skipped.
# Usage: golden_grid.sh TESSEL_CLI SOURCE_DIR
set -uo pipefail
cli=$1
src=$2
dir=$src/tests/data/grid
failed=0
checked=0

check() {
    local name=$1 file=$2
    shift 2
    if [[ ! -f $file ]]; then
        echo "skip $name: $file is not installed"
        return
    fi
    local out
    out=$("$cli" grid "$file" "$@"; echo "exit $?")
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

echo "$checked golden files checked"
exit $failed
