#!/usr/bin/env bash
# tessel-cli stats against an independent reading of the same column: `tessel-cli grid`
# prints the table as tab-separated text, and Python's decimal module and `sort | uniq -c`
# work out the column's numbers and value counts from that text alone. Real documents (the
# MIME database, an ISO codes file) and a generated table of prices with exponents, signs,
# words and empty cells.
# Usage: cli_stats.sh TESSEL_CLI
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

python3 - "$work/prices.xml" <<'PY'
import random, sys
random.seed(11)
rows = []
for i in range(5000):
    r = random.random()
    if r < 0.05: price = ''
    elif r < 0.08: price = random.choice(['n/a', 'free', '1,5', '12abc', '-', '.'])
    elif r < 0.12: price = f"{random.randint(1, 99)}e{random.randint(-3, 3)}"
    elif r < 0.15: price = f"-{random.randint(0, 500)}.{random.randint(0, 999):03d}"
    elif r < 0.17: price = f" +{random.randint(0, 50)} "
    else: price = f"{random.randint(0, 99999)}.{random.randint(0, 99):02d}"
    attr = f' price="{price}"' if price != '' or random.random() < 0.5 else ''
    rows.append(f'<item id="{i}"{attr}/>')
open(sys.argv[1], 'w').write('<shop>\n' + '\n'.join(rows) + '\n</shop>\n')
PY

check() {
    local file=$1 path=$2 column=$3
    "$cli" grid "$file" --path "$path" > "$work/grid.txt" || fail "grid $file"
    "$cli" stats "$file" --path "$path" --column "$column" > "$work/stats.txt" || fail "stats $file"
    python3 - "$work/grid.txt" "$work/stats.txt" "$column" "$work/field.txt" <<'PY' || fail "$file $path $column"
import csv, decimal, io, math, re, sys
grid, stats, column, field_out = sys.argv[1:5]
decimal.getcontext().prec = 200
# The largest table of the grid, read as tab-separated text (quoted fields as grid writes them).
# Table rows end in CR LF, the view's other lines in LF alone.
tables, current = [], []
for line in open(grid, encoding='utf-8', newline='').read().split('\n'):
    if line.endswith('\r'):
        current.append(line[:-1])
    elif current:
        tables.append(current); current = []
if current: tables.append(current)
rows = list(csv.reader(io.StringIO('\n'.join(max(tables, key=len))), delimiter='\t'))
header, body = rows[0], rows[1:]
index = int(column) - 1 if column.isdigit() else header.index(column)
values = [r[index] if index < len(r) else '' for r in body]
open(field_out, 'w', encoding='utf-8').write(''.join(v + '\n' for v in values if v != ''))

sections = open(stats, encoding='utf-8').read().split('\n\n')
facts = dict(l.split('\t', 1) for l in sections[0].splitlines()[1:])
def expect(name, want):
    if facts.get(name) != str(want): sys.exit(f"{name}: stats says {facts.get(name)!r}, the grid gives {want!r}")
expect('rows', len(values))
expect('empty', sum(1 for v in values if v == ''))
expect('distinct', len(set(v for v in values if v != '')))
number = re.compile(r'^[ \t\r\n]*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?[ \t\r\n]*$')
numbers = [decimal.Decimal(v.strip()) for v in values if number.match(v)]
expect('numbers', len(numbers))
if numbers:
    for name, want in (('minimum', min(numbers)), ('maximum', max(numbers)), ('sum', sum(numbers))):
        if decimal.Decimal(facts[name]) != want: sys.exit(f"{name}: stats says {facts[name]}, decimal gives {want}")
    places = max(max(-n.as_tuple().exponent, 0) for n in numbers) + 2
    mean = (sum(numbers) / len(numbers)).quantize(decimal.Decimal(1).scaleb(-places), rounding=decimal.ROUND_HALF_EVEN)
    if decimal.Decimal(facts['mean']) != mean: sys.exit(f"mean: stats says {facts['mean']}, decimal gives {mean}")
    bins = [l.split('\t') for l in sections[1].splitlines()[1:]]
    if sum(int(b[2]) for b in bins) != len(numbers): sys.exit("the histogram does not hold every number")
    low, high = float(min(numbers)), float(max(numbers))
    if float(bins[0][0]) != low or float(bins[-1][1]) != high: sys.exit("the histogram does not span min..max")
    width = (high - low) / len(bins)
    want = [0] * len(bins)
    for n in numbers:
        want[min(len(bins) - 1, max(0, math.floor((float(n) - low) / width))) if width > 0 else 0] += 1
    if [int(b[2]) for b in bins] != want: sys.exit(f"histogram counts {[b[2] for b in bins]}, expected {want}")
# The value counts in the order stats gives them: counts never rise.
counts = [l.split('\t') for l in sections[2].splitlines()[1:]]
if any(int(a[1]) < int(b[1]) for a, b in zip(counts, counts[1:])): sys.exit("value counts are not most frequent first")
open(field_out + '.counts', 'w', encoding='utf-8').write(''.join(f"{c[1]} {c[0]}\n" for c in counts))
PY
    # The counts equal those of sort | uniq -c on the same field.
    LC_ALL=C sort "$work/field.txt" | uniq -c | sed 's/^ *//' | LC_ALL=C sort > "$work/uniq.txt"
    LC_ALL=C sort "$work/field.txt.counts" > "$work/ours.txt"
    cmp -s "$work/uniq.txt" "$work/ours.txt" || { diff "$work/uniq.txt" "$work/ours.txt" | head; fail "value counts of $file $column"; }
}

check "$work/prices.xml" shop price
for c in type glob comment; do
    [[ -r /usr/share/mime/packages/freedesktop.org.xml ]] && check /usr/share/mime/packages/freedesktop.org.xml mime-info "$c"
done
json=/usr/share/iso-codes/json/iso_3166-1.json
[[ -r $json ]] && { check "$json" 3166-1 numeric; check "$json" 3166-1 name; }
# grid --sort with two keys: by k, then by v descending in natural order (10 before 9 before 2).
printf '<t><r k="b" v="1"/><r k="a" v="2"/><r v="5"/><r k="a" v="10"/><r k="a" v="9"/></t>\n' > "$work/keys.xml"
header=$("$cli" grid "$work/keys.xml" --path t | grep -m1 $'\tk\t\|\tk\r' | tr -d '\r')
k=$(tr '\t' '\n' <<< "$header" | grep -nx k | cut -d: -f1)
v=$(tr '\t' '\n' <<< "$header" | grep -nx v | cut -d: -f1)
order=$("$cli" grid "$work/keys.xml" --path t --sort "$k,$v:desc" | tr -d '\r' | awk -F'\t' -v k="$k" -v v="$v" 'NR > 1 && NF > 1 { print $k "=" $v }' | tail -5 | paste -sd' ')
[[ $order == "a=10 a=9 a=2 b=1 =5" ]] || fail "two-key sort gave: $order"
# grid --sort with two keys against sort -s -k on the unsorted rows: qty descending, then price
# ascending (integers and two-decimal prices, where natural order is numeric order), ties in
# document order as a stable sort keeps them.
python3 - "$work/catalog.xml" <<'PY'
import random, sys
random.seed(5)
rows = [f'<item id="{i}" qty="{random.randint(0, 40)}" price="{random.randint(0, 300)}.{random.choice([0, 50, 99]):02d}"/>'
        for i in range(3000)]
open(sys.argv[1], 'w').write('<catalog>\n' + '\n'.join(rows) + '\n</catalog>\n')
PY
"$cli" grid "$work/catalog.xml" --path catalog | tr -d '\r' > "$work/unsorted.tsv"
header=$(grep -m1 $'\tqty\t' "$work/unsorted.tsv")
q=$(tr '\t' '\n' <<< "$header" | grep -nx qty | cut -d: -f1)
p=$(tr '\t' '\n' <<< "$header" | grep -nx price | cut -d: -f1)
body() { awk -v h="$header" 'seen && NF > 1 { print } $0 == h { seen = 1 }' "$1"; }
body "$work/unsorted.tsv" | LC_ALL=C sort -s -t $'\t' -k"$q,$q"nr -k"$p,$p"V > "$work/expected.tsv"
"$cli" grid "$work/catalog.xml" --path catalog --sort "$q:desc,$p" | tr -d '\r' > "$work/sorted.tsv"
body "$work/sorted.tsv" > "$work/ours.tsv"
[[ $(wc -l < "$work/ours.tsv") -eq 3000 ]] || fail "two-key sort printed $(wc -l < "$work/ours.tsv") rows"
cmp -s "$work/ours.tsv" "$work/expected.tsv" || { diff "$work/ours.tsv" "$work/expected.tsv" | head -5 || true; fail "two-key sort differs from sort -s -k"; }
echo "cli_stats: OK"
