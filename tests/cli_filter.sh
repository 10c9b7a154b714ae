#!/usr/bin/env bash
# tessel-cli grid --filter against a plain Python loop over the unfiltered grid: the loop reads
# each table of `grid`'s tab-separated output, keeps the rows whose cells pass the filter
# (ASCII case folding for a substring, re with IGNORECASE for a regular expression, == for an
# exact value) and writes the output back; grid --filter must print exactly that, byte for
# byte. The same with --sort, and stats --filter against the loop's kept rows. Real documents
# (the MIME database, an ISO codes file) and a generated table with mixed case, empty and
# missing cells, tabs and quotes.
# Usage: cli_filter.sh TESSEL_CLI
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

python3 - "$work/shop.xml" <<'PY'
import random, sys
random.seed(5)
words = ['Alpha', 'ALPHA', 'alphabet', 'Bravo', 'BRAVO', 'charlie', 'DeLta', 'echo', 'Ex"tra',
         'ZULU', 'Omega', 'bravos']
cities = ['Oslo', 'oslo', 'OSLO', 'Lima', 'Quito', 'Bern', 'Riga', '']
rows = []
for i in range(3000):
    attrs = [f'id="{i}"']
    if random.random() < 0.9: attrs.append(f"name='{random.choice(words)} {random.choice(words)}'")
    if random.random() < 0.85: attrs.append(f'city="{random.choice(cities)}"')
    attrs.append(f'code="{random.choice("ABCabx")}{random.choice("BbQ")}-{random.randrange(1000)}"')
    if random.random() < 0.3: attrs.append(f'note="{random.choice(words).replace(chr(34), "&quot;")}"')
    memo = f'<memo>{random.choice(words)}\t{random.choice(words)}</memo>' if random.random() < 0.2 else ''
    rows.append(f'<item {" ".join(attrs)}>{memo}</item>')
open(sys.argv[1], 'w').write('<shop owner="Bravo Zulu">\n' + '\n'.join(rows) + '\n</shop>\n')
PY

# The loop: argv = unfiltered grid output, filter text, file for "kept total" of the widest
# table, column to describe (for stats) and file for its kept cells. Writes the output that
# grid --filter should print.
cat > "$work/reference.py" <<'PY'
import csv, re, sys
grid, expr, counts_out = sys.argv[1:4]
stats_column = sys.argv[4] if len(sys.argv) > 4 else None
at = min(i for i in (expr.find('~'), expr.find('=')) if i >= 0)
column, op, text = expr[:at], expr[at], expr[at + 1:]
if op == '~' and text.startswith('~'):
    op, text = '~~', text[1:]
lower = lambda s: s.translate(str.maketrans('ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'))
if op == '~~':
    pattern = re.compile(text, re.IGNORECASE)
    matches = lambda cell: pattern.search(cell) is not None
elif op == '=':
    matches = lambda cell: cell == text
elif text.isascii():
    matches = lambda cell: lower(text) in lower(cell)
else:
    matches = lambda cell: text.lower() in cell.lower()

def index_of(header):
    if column.isdigit():
        n = int(column) - 1
        return n if n < len(header) else None
    return header.index(column) if column in header else None

out, widest = [], (-1, 0, None)
lines = open(grid, encoding='utf-8', newline='').read().split('\n')
i = 0
while i < len(lines):
    if not lines[i].endswith('\r'):
        out.append(lines[i]); i += 1; continue
    table = []
    while i < len(lines) and lines[i].endswith('\r'):
        table.append(lines[i]); i += 1
    header = next(csv.reader([table[0][:-1]], delimiter='\t'))
    index = index_of(header) if column else None
    out.append(table[0])
    kept = []
    for line in table[1:]:
        cells = next(csv.reader([line[:-1]], delimiter='\t'))
        if len(cells) != len(header): sys.exit(f"a row of {len(cells)} fields under {len(header)} headers")
        if not column: keep = any(matches(c) for c in cells)
        elif index is None: keep = matches('')  # a table without the column: empty cells
        else: keep = matches(cells[index])
        if keep:
            out.append(line); kept.append(cells)
    if len(table) - 1 > widest[0]: widest = (len(table) - 1, len(kept), (header, kept))
sys.stdout.write('\n'.join(out))
open(counts_out, 'w').write(f"{widest[1]} {widest[0]}\n")
if stats_column:
    header, kept = widest[2]
    values = [r[header.index(stats_column)] for r in kept]
    open(counts_out + '.stats', 'w').write(
        f"rows\t{len(values)}\nempty\t{values.count('')}\ndistinct\t{len(set(v for v in values if v))}\n")
PY

# check FILE PATH FILTER some|none|all [SORT]: grid --filter FILTER (after --sort SORT when
# given) prints what the loop keeps of the unfiltered grid; in the widest table the filter
# keeps some rows (not all), none, or all of them, so each filter tells something.
checked=0
check() {
    local file=$1 path=$2 expr=$3 expect=$4 sort=${5:-}
    local sorting=()
    [[ -n $sort ]] && sorting=(--sort "$sort")
    # (--sort says on stderr which tables are too narrow for it.)
    "$cli" grid "$file" --path "$path" "${sorting[@]}" > "$work/all.txt" 2> "$work/err.txt" ||
        fail "grid $file: $(cat "$work/err.txt")"
    "$cli" grid "$file" --path "$path" "${sorting[@]}" --filter "$expr" > "$work/filtered.txt" \
        2> "$work/err.txt" || fail "grid $file --filter $expr: $(cat "$work/err.txt")"
    python3 "$work/reference.py" "$work/all.txt" "$expr" "$work/counts" > "$work/want.txt" ||
        fail "the loop over $file with $expr"
    cmp -s "$work/want.txt" "$work/filtered.txt" ||
        { diff "$work/want.txt" "$work/filtered.txt" | head || true
          fail "$file --filter '$expr' $sort"; }
    read -r kept total < "$work/counts"
    case $expect in
        some) ((kept > 0 && kept < total)) ;;
        none) ((kept == 0)) ;;
        all) ((kept == total)) ;;
    esac || fail "$file --filter '$expr' keeps $kept of $total rows, expected $expect"
    checked=$((checked + 1))
}

shop=$work/shop.xml
check "$shop" shop 'name~alpha' some
check "$shop" shop 'name~ALPHABET' some
check "$shop" shop '~bRaVo' some
check "$shop" shop '~zulu' some             # the owner attribute's table keeps its row too
check "$shop" shop 'code~~^ab-[0-9]{2}7$' some
check "$shop" shop 'memo~~\t' some          # cells with a tab, printed quoted
check "$shop" shop 'name~x"t' some          # and with a quote
check "$shop" shop 'city=Oslo' some         # exact: neither "oslo" nor "OSLO"
check "$shop" shop 'city=' some             # empty and missing cells
check "$shop" shop 'note=' some
check "$shop" shop '4=' some                # the same column by number
check "$shop" shop '~qqqzzz' none
check "$shop" shop 'city=Paris' none
check "$shop" shop 'name~' all
check "$shop" shop 'name~alpha' some "4,2:desc"
check "$shop" shop '~~^(bravo|echo) ' some "3:desc"

mime=/usr/share/mime/packages/freedesktop.org.xml
if [[ -r $mime ]]; then
    check "$mime" mime-info 'type~IMAGE/' some
    check "$mime" mime-info '2~image/' some
    check "$mime" mime-info '~xml' some
    check "$mime" mime-info 'type~~^(audio|video)/x-[a-z]+$' some
    check "$mime" mime-info 'glob=*.png' some
    check "$mime" mime-info 'sub-class-of=' some   # the attribute table, without it, keeps its row
    check "$mime" mime-info '~occurrences' some
    check "$mime" mime-info 'type~nosuchtypeanywhere' none
    check "$mime" mime-info '~xml' some "2:desc"
fi
json=/usr/share/iso-codes/json/iso_3166-1.json
if [[ -r $json ]]; then
    check "$json" 3166-1 'name~republic' some
    check "$json" 3166-1 'name~REPUBLIC' some
    check "$json" 3166-1 '~island' some
    check "$json" 3166-1 'name~ÅLAND' some       # not ASCII: folded as Python's lower() does
    check "$json" 3166-1 'official_name~~^the .* of [a-z]+$' some
    check "$json" 3166-1 'alpha_2=FR' some
    check "$json" 3166-1 'alpha_2=fr' none       # exact values keep their case
    check "$json" 3166-1 'common_name=' some
    check "$json" 3166-1 '6~~^[0-9]*7$' some
    check "$json" 3166-1 'name~republic' some "7:desc"
fi

# stats --filter describes the rows the loop keeps.
"$cli" grid "$shop" --path shop > "$work/all.txt"
python3 "$work/reference.py" "$work/all.txt" 'name~alpha' "$work/counts" city > /dev/null
"$cli" stats "$shop" --path shop --column city --filter 'name~alpha' | sed -n '3,5p' > "$work/stats.txt"
cmp -s "$work/counts.stats" "$work/stats.txt" ||
    { diff "$work/counts.stats" "$work/stats.txt" || true; fail "stats --filter"; }

# Mistakes in the filter are told and nothing is printed.
for bad in 'nosuch~a' '9~a' '0~a' '~~a(b' 'noop'; do
    status=0
    "$cli" grid "$shop" --path shop --filter "$bad" > "$work/out.txt" 2> "$work/err.txt" || status=$?
    ((status == 2)) && [[ ! -s $work/out.txt ]] && grep -q '^tessel-cli grid: --filter' "$work/err.txt" ||
        fail "--filter '$bad': status $status, $(cat "$work/err.txt")"
done
echo "cli_filter: OK ($checked filters)"
