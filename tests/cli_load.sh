#!/usr/bin/env bash
# How tessel-cli reads files: through the editor's loader, so every command sees the text the
# editor would (checked against wc and iconv); files of 2 GiB or more are refused by their
# size before they are read (a sparse file: nothing is written to make it), and the file is
# left as it was.
# Usage: cli_load.sh TESSEL_CLI
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
field() { "$cli" info "$1" | sed -n "s/^  $2: //p" | tr -d ,; }

# Every line counts, not only those of the last 1 000 000-byte block.
python3 -c "print(('<a>'+'x'*100+'</a>\n')*30000,end='')" > "$work/l.xml"
lines=$(wc -l < "$work/l.xml")
[[ $(field "$work/l.xml" lines) == $((lines + 1)) ]] ||
    fail "info counts $(field "$work/l.xml" lines) lines of $lines line feeds and the last line"
[[ $(field "$work/l.xml" characters) == $(wc -m < "$work/l.xml") ]] || fail "characters of l.xml"

# A UTF-16 file is read as its text, as the editor loads it.
printf '<r><a>caf\xc3\xa9 \xe2\x82\xac</a>\n<b/></r>\n' > "$work/u8.xml"
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$work/u8.xml"; } > "$work/u16.xml"
[[ $(field "$work/u16.xml" bytes) == $(wc -c < "$work/u16.xml") ]] || fail "bytes of the UTF-16 file"
[[ $(field "$work/u16.xml" "text bytes") == $(wc -c < "$work/u8.xml") ]] || fail "bytes of the UTF-16 text"
[[ $(field "$work/u16.xml" characters) == $(wc -m < "$work/u8.xml") ]] || fail "characters of UTF-16"
"$cli" check "$work/u16.xml" > /dev/null || fail "check of the UTF-16 file"
# A Latin-1 file: its own bytes, not those of its text in UTF-8.
printf '<r><a>caf\xc3\xa9 \xc3\xa0 \xc2\xa3</a>\n<b/></r>\n' | iconv -f UTF-8 -t LATIN1 > "$work/l1.xml"
[[ $(field "$work/l1.xml" bytes) == $(wc -c < "$work/l1.xml") ]] || fail "bytes of the Latin-1 file"
# Four lines, one of them 5,000 bytes (three index rows), and no line break at the end.
python3 -c "print('a\n'+'x'*5000+'\nc\nd',end='')" > "$work/four.txt"
[[ $(field "$work/four.txt" lines) == 4 ]] || fail "lines of four.txt: $(field "$work/four.txt" lines)"

# A file whose extension no type claims is what its text shows: JSON here, which read as XML
# would not be well-formed; a real SVG document under such a name is XML.
printf '\xef\xbb\xbf\n  {"a": [1, 2]}\n' > "$work/settings.conf"
"$cli" check "$work/settings.conf" > /dev/null || fail "a JSON text under .conf is not read as JSON"
svg=/usr/share/doc/postgresql-common/dependencies.svg
if [[ -e $svg ]]; then
    cp "$svg" "$work/picture.unclaimed"
    "$cli" check "$work/picture.unclaimed" > /dev/null || fail "an SVG document under .unclaimed"
fi

# Lines without a line feed or an ASCII byte are cut into index lines all the same.
head -c 4000000 /dev/zero > "$work/zeros.txt"
[[ $(field "$work/zeros.txt" "index lines") == 2000 ]] || fail "index lines of NUL bytes"
python3 -c "open('$work/e.txt','w').write('é'*2000000)"
[[ $(field "$work/e.txt" characters) == 2000000 ]] || fail "characters of é text"
[[ $(field "$work/e.txt" "index lines") == 2000 ]] || fail "index lines of é text"

# 2 GiB: refused before reading by every command that reads the text; the file stays.
truncate -s 2G "$work/big.xml"
inode=$(stat -c %i "$work/big.xml")
expected="File too large: it has 2,147,483,648 bytes, and a document holds at most 2,147,483,646 bytes"
for command in convert check tree grid indent info; do
    options=()
    [[ $command == convert ]] && options=(--to utf-16le)
    set +e
    message=$(timeout 60 "$cli" "$command" "$work/big.xml" "${options[@]}" 2>&1 >/dev/null)
    status=$?
    set -e
    [[ $status == 2 ]] || fail "$command of 2 GiB exited $status"
    [[ $message == *"$expected"* ]] || fail "$command of 2 GiB said: $message"
done
[[ $(stat -c %s "$work/big.xml") == 2147483648 && $(stat -c %i "$work/big.xml") == "$inode" ]] ||
    fail "the 2 GiB file was changed"
[[ $(stat -c %b "$work/big.xml") -lt 64 ]] || fail "the 2 GiB file was written to"
# Detection needs the first block only: the encoding of a large file is still told.
[[ $("$cli" encoding "$work/big.xml") == "Unicode (UTF-8) (default)" ]] || fail "encoding of 2 GiB"
echo "tessel-cli reads through the loader"
