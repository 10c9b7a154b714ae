#!/usr/bin/env bash
# tessel-cli encoding and convert against glibc iconv: a document converted to an encoding
# must be byte for byte what iconv makes of the same text with the rewritten declaration, be
# detected as that encoding, and convert back to the original text; characters an encoding
# lacks are refused with their place unless --allow-loss is given.
# Usage: cli_convert.sh TESSEL_CLI SOURCE_DIR
set -euo pipefail
cli=$(realpath "$1")
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

sample=$src/samples/catalog.xml
body=$(tail -n +2 "$sample"; echo x)
body=${body%x}

# Unicode forms: every character survives, and the declaration names the new encoding.
for form in 'utf-16le-bom UTF-16LE utf-16 \xff\xfe' 'utf-16be UTF-16BE utf-16' 'utf-8-bom UTF-8 utf-8 \xef\xbb\xbf'; do
    set -- $form
    name=$1 iconv_name=$2 declared=$3 mark=${4:-}
    "$cli" convert "$sample" --to "$name" -o "$work/$name.xml" || fail "convert to $name"
    { printf "$mark"
      printf '<?xml version="1.0" encoding="%s"?>\n%s' "$declared" "$body" | iconv -f UTF-8 -t "$iconv_name"
    } > "$work/expected.xml"
    cmp -s "$work/$name.xml" "$work/expected.xml" || fail "$name differs from iconv's bytes"
    # Back to UTF-8: the original text with a lower-case encoding name.
    "$cli" convert "$work/$name.xml" --to utf-8 -o "$work/back.xml" || fail "convert back from $name"
    printf '<?xml version="1.0" encoding="utf-8"?>\n%s' "$body" > "$work/expected.xml"
    cmp -s "$work/back.xml" "$work/expected.xml" || fail "$name did not convert back"
done

[[ $("$cli" encoding "$work/utf-16le-bom.xml") == "Unicode (UTF-16 little endian with BOM) (byte-order mark)" ]] ||
    fail "encoding of utf-16le-bom: $("$cli" encoding "$work/utf-16le-bom.xml")"
[[ $("$cli" encoding "$work/utf-16be.xml") == "Unicode (UTF-16 big endian) (zero-byte pattern)" ]] ||
    fail "encoding of utf-16be: $("$cli" encoding "$work/utf-16be.xml")"
[[ $("$cli" encoding "$sample") == "Unicode (UTF-8) (declaration)" ]] || fail "encoding of the sample"

# A code page that lacks some characters: refused with the first one's place, then forced.
printf '<?xml version="1.0"?>\n<a>caf\xc3\xa9</a>\n<b>\xe2\x82\xac \xe5\xb1\xb1</b>\n' > "$work/mixed.xml"
set +e
message=$("$cli" convert "$work/mixed.xml" --to iso-8859-1 2>&1)
status=$?
set -e
[[ $status == 1 ]] || fail "a lossy conversion exited $status"
[[ $message == *"2 characters cannot be written in iso-8859-1; the first is at line 3, column 4"* ]] ||
    fail "loss message: $message"
cmp -s "$work/mixed.xml" <(printf '<?xml version="1.0"?>\n<a>caf\xc3\xa9</a>\n<b>\xe2\x82\xac \xe5\xb1\xb1</b>\n') ||
    fail "a refused conversion changed the file"
"$cli" convert "$work/mixed.xml" --to iso-8859-1 --allow-loss || fail "--allow-loss"
cmp -s "$work/mixed.xml" <(printf '<?xml version="1.0" encoding="iso-8859-1"?>\n<a>caf\xe9</a>\n<b> </b>\n') ||
    fail "forced conversion: $(od -c "$work/mixed.xml" | head)"
[[ $("$cli" encoding "$work/mixed.xml") == "Western (iso-8859-1) (declaration)" ]] || fail "encoding after forcing"

# Rewriting the declaration changes the declaration only: the CR LF after it, and blank lines.
printf '<?xml version="1.0"?>\r\n<a/>' > "$work/crlf.xml"
"$cli" convert "$work/crlf.xml" --to iso-8859-15 -o "$work/crlf-out.xml" || fail "convert crlf.xml"
cmp -s "$work/crlf-out.xml" <(printf '<?xml version="1.0" encoding="iso-8859-15"?>\r\n<a/>') ||
    fail "CR LF after the declaration: $(od -c "$work/crlf-out.xml")"
printf '<?xml version="1.0"?>\n\n\n<a/>' > "$work/blank.xml"
"$cli" convert "$work/blank.xml" --to iso-8859-1 || fail "convert blank.xml"
cmp -s "$work/blank.xml" <(printf '<?xml version="1.0" encoding="iso-8859-1"?>\n\n\n<a/>') ||
    fail "blank lines after the declaration: $(od -c "$work/blank.xml")"

# A byte the code page leaves undefined is kept: converting in place into the same code page
# gives the same bytes; any other encoding refuses it unless --allow-loss drops it.
printf '<?xml version="1.0" encoding="windows-1252"?>\n<a>caf\xe9 \x81</a>\n' > "$work/undefined.xml"
cp "$work/undefined.xml" "$work/undefined-before.xml"
"$cli" convert "$work/undefined.xml" --to windows-1252 || fail "convert into the same code page"
cmp -s "$work/undefined.xml" "$work/undefined-before.xml" || fail "an undefined byte changed: $(od -c "$work/undefined.xml")"
set +e
message=$("$cli" convert "$work/undefined.xml" --to utf-8 2>&1)
status=$?
set -e
[[ $status == 1 ]] || fail "converting an undefined byte to utf-8 exited $status"
[[ $message == *"1 character cannot be written in utf-8; the first is at line 2, column 9"* ]] ||
    fail "undefined byte message: $message"
cmp -s "$work/undefined.xml" "$work/undefined-before.xml" || fail "a refused conversion changed the file"
"$cli" convert "$work/undefined.xml" --to utf-8 --allow-loss -o "$work/undefined-utf8.xml" || fail "--allow-loss of an undefined byte"
cmp -s "$work/undefined-utf8.xml" <(printf '<?xml version="1.0" encoding="utf-8"?>\n<a>caf\xc3\xa9 </a>\n') ||
    fail "undefined byte dropped: $(od -c "$work/undefined-utf8.xml")"

# -o names a device, a FIFO or standard output: written directly, never replaced by a file.
"$cli" convert "$sample" --to utf-16le -o "$work/expected-16.xml" || fail "convert to utf-16le"
if mknod "$work/null" c 1 3 2>/dev/null; then
    "$cli" convert "$sample" --to utf-16le -o "$work/null" || fail "convert -o a device"
    [[ -c $work/null ]] || fail "-o replaced a device with $(stat -c %F "$work/null")"
else
    echo "note: not allowed to make a device node here; -o of a device not tried"
fi
mkfifo "$work/fifo"
cat "$work/fifo" > "$work/from-fifo" &
reader=$!
"$cli" convert "$sample" --to utf-16le -o "$work/fifo" || fail "convert -o a FIFO"
# (A FIFO replaced by a file would leave its reader waiting for ever.)
[[ -p $work/fifo ]] || { kill $reader; fail "-o replaced a FIFO with $(stat -c %F "$work/fifo")"; }
wait $reader
cmp -s "$work/from-fifo" "$work/expected-16.xml" || fail "the FIFO's reader got other bytes"
cat "$work/fifo" > "$work/from-fifo" &
reader=$!
"$cli" indent "$sample" -o "$work/fifo" || fail "indent -o a FIFO"
wait $reader
"$cli" indent "$sample" | cmp -s - "$work/from-fifo" || fail "indent -o a FIFO gave other bytes"
"$cli" convert "$sample" --to utf-16le -o /dev/stdout | cat > "$work/piped" || fail "-o /dev/stdout into a pipe"
cmp -s "$work/piped" "$work/expected-16.xml" || fail "-o /dev/stdout into a pipe gave other bytes"
"$cli" convert "$sample" --to utf-16le -o /dev/stdout > "$work/redirected" || fail "-o /dev/stdout into a file"
cmp -s "$work/redirected" "$work/expected-16.xml" || fail "-o /dev/stdout into a file gave other bytes"

# Both names of a file with a hard link see the converted content.
printf '<?xml version="1.0"?>\n<a>caf\xc3\xa9</a>\n' > "$work/linked.xml"
ln "$work/linked.xml" "$work/other-name.xml"
"$cli" convert "$work/linked.xml" --to iso-8859-1 || fail "convert linked.xml"
cmp -s "$work/other-name.xml" <(printf '<?xml version="1.0" encoding="iso-8859-1"?>\n<a>caf\xe9</a>\n') ||
    fail "the other name of a linked file: $(od -c "$work/other-name.xml")"
[[ $(stat -c %h "$work/linked.xml") == 2 ]] || fail "the hard link was cut"

# A file the user may not write is refused, with the system's reason, although its folder
# would let a rename replace it. Root may write it (as a write in place would), so as root
# the command runs as user 65534.
mkdir "$work/locked"
printf '<a/>\n' > "$work/locked/ro.xml"
chmod 0444 "$work/locked/ro.xml"
as_user=()
if [[ $(id -u) == 0 ]]; then
    chown -R 65534:65534 "$work/locked"
    chmod 0755 "$work"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
set +e
message=$("${as_user[@]}" "$cli" convert "$work/locked/ro.xml" --to utf-16le 2>&1)
status=$?
set -e
[[ $status == 2 && $message == *"Cannot write to file $work/locked/ro.xml"*"Permission denied"* ]] ||
    fail "a read-only file: exit $status, $message"
cmp -s "$work/locked/ro.xml" <(printf '<a/>\n') || fail "a read-only file was replaced"
[[ $(ls -A "$work/locked") == ro.xml ]] || fail "a refused save left $(ls -A "$work/locked")"

# An in-place conversion ended by a signal removes its hidden file; the old file stays whole.
# (Job control on, so that the background command does not start with SIGINT ignored.)
# Bytes that only a lenient decoder reads as characters are stray bytes: check reports them,
# convert refuses them outside UTF-8 (nothing written), and --allow-loss writes what iconv
# takes as valid in the target. Overlong "<" and ">" never become markup.
refused() {  # refused FILE TARGET: convert exits 1, names the loss, writes nothing
    rm -f "$work/out.bin"
    set +e
    message=$("$cli" convert "$1" --to "$2" -o "$work/out.bin" 2>&1)
    status=$?
    set -e
    [[ $status == 1 && ! -e $work/out.bin ]] || fail "$1 to $2 exited $status: $message"
}
printf '<a>\xc0\xbcb\xc0\xbeinjected\xc0\xbc/b\xc0\xbe</a>' > "$work/inj.xml"
check_out=$("$cli" check "$work/inj.xml") && fail "check passed inj.xml"
[[ $(grep -c 'Invalid Unicode sequence' <<< "$check_out") == 4 ]] || fail "check of inj.xml: $check_out"
refused "$work/inj.xml" windows-1252
[[ $message == *"8 characters cannot be written in windows-1252; the first is at line 1, column 4"* ]] ||
    fail "overlong message: $message"
"$cli" convert "$work/inj.xml" --to windows-1252 --allow-loss -o "$work/out.bin" || fail "--allow-loss of overlong forms"
cmp -s "$work/out.bin" <(printf '<?xml version="1.0" encoding="windows-1252"?>\n<a>binjected/b</a>') ||
    fail "overlong forms dropped: $(od -c "$work/out.bin")"
"$cli" convert "$work/inj.xml" --to utf-8 -o "$work/out.bin" || fail "overlong forms into utf-8"
cmp -s "$work/out.bin" <(printf '<?xml version="1.0" encoding="utf-8"?>\n<a>\xc0\xbcb\xc0\xbeinjected\xc0\xbc/b\xc0\xbe</a>') ||
    fail "overlong forms not kept byte for byte in utf-8: $(od -c "$work/out.bin")"
for bytes in '\xe0\x80\xbc' '\xc1\xbf' '\xf5\x80\x80\x80' '\xf7\xbf\xbf\xbf' '\xed\xa0\x80' '\xf4\x90\x80\x80'; do
    printf "<a>$bytes</a>" > "$work/bad.xml"
    if "$cli" check "$work/bad.xml" > "$work/check.txt"; then fail "check passed $bytes"; fi
    grep -q 'Invalid Unicode sequence' "$work/check.txt" || fail "check missed $bytes"
    for target in windows-1252 utf-16le utf-16be; do
        refused "$work/bad.xml" $target
        "$cli" convert "$work/bad.xml" --to $target --allow-loss -o "$work/out.bin" || fail "$bytes --allow-loss to $target"
        iconv -f $target -t UTF-8 "$work/out.bin" > /dev/null || fail "$bytes to $target: invalid output"
    done
done
# UTF-16 with a lone surrogate: kept into UTF-16, refused into UTF-8; an odd last byte is
# refused too.
printf '<\0a\0>\0\x00\xd8<\0/\0a\0>\0' > "$work/lone16.xml"
refused "$work/lone16.xml" utf-8
[[ $message == *"3 characters cannot be written in utf-8"* ]] || fail "lone surrogate message: $message"
"$cli" convert "$work/lone16.xml" --to utf-16le -o "$work/out.bin" || fail "lone surrogate into utf-16le"
[[ $(tail -c 16 "$work/out.bin" | od -An -tx1 | tr -d " \n") == 3c0061003e0000d83c002f0061003e00 ]] ||
    fail "lone surrogate not kept: $(od -An -tx1 "$work/out.bin")"
"$cli" convert "$work/lone16.xml" --to utf-8 --allow-loss -o "$work/out.bin" || fail "lone surrogate --allow-loss"
iconv -f UTF-8 -t UTF-16LE "$work/out.bin" > /dev/null || fail "lone surrogate: invalid UTF-8 written"
printf '\xff\xfe<\0a\0/\0>\0!' > "$work/odd16.xml"
refused "$work/odd16.xml" utf-8
[[ $message == *"1 byte at the end cannot be read in utf-16"* ]] || fail "odd byte message: $message"

# Declarations a rewrite cannot replace are refused rather than doubled; one without a version
# is replaced; markup in a file of another name gets a declaration. Every written file is one
# xmllint accepts and that reads back as the text it was.
for text in '\n<?xml version="1.0"?>\n<a/>\n' '  <?xml version="1.0" encoding="utf-8"?><a/>' '<?xml version="1.0" encoding="utf-8"\n<a/>\n'; do
    printf "$text" > "$work/decl.xml"
    refused "$work/decl.xml" iso-8859-1
    [[ $message == *"XML declaration"* ]] || fail "declaration message: $message"
done
printf '<?xml encoding="utf-8"?>\n<a>caf\xc3\xa9</a>\n' > "$work/noversion.xml"
"$cli" convert "$work/noversion.xml" --to iso-8859-1 -o "$work/out.xml" || fail "declaration without a version"
cmp -s "$work/out.xml" <(printf '<?xml version="1.0" encoding="iso-8859-1"?>\n<a>caf\xe9</a>\n') ||
    fail "declaration without a version: $(od -c "$work/out.xml")"
if command -v xmllint > /dev/null; then
    xmllint --noout "$work/out.xml" || fail "xmllint rejects the rewritten declaration"
fi
printf '<svg>caf\xc3\xa9</svg>\n' > "$work/picture.svg"
"$cli" convert "$work/picture.svg" --to iso-8859-1 -o "$work/picture-out.svg" || fail "convert an .svg"
cmp -s "$work/picture-out.svg" <(printf '<?xml version="1.0" encoding="iso-8859-1"?>\n<svg>caf\xe9</svg>\n') ||
    fail "markup in an .svg got no declaration: $(od -c "$work/picture-out.svg")"
[[ $("$cli" encoding "$work/picture-out.svg") == "Western (iso-8859-1) (declaration)" ]] ||
    fail "the .svg does not read back as iso-8859-1"
if command -v xmllint > /dev/null; then
    xmllint --noout "$work/picture-out.svg" || fail "xmllint rejects the converted .svg"
fi

printf '<!ENTITY e "caf\xc3\xa9">\n' > "$work/entities.dtd"
"$cli" convert "$work/entities.dtd" --to iso-8859-1 -o "$work/entities-out.dtd" || fail "convert a DTD"
cmp -s "$work/entities-out.dtd" <(printf '<?xml version="1.0" encoding="iso-8859-1"?>\n<!ENTITY e "caf\xe9">\n') ||
    fail "a DTD got no text declaration: $(od -c "$work/entities-out.dtd")"
[[ $("$cli" check "$work/entities-out.dtd") == "0 warning(s), 0 error(s)" ]] || fail "the converted DTD does not check"

# "--" ends the options; an option given twice is refused; a failed write has one wording.
printf '<a/>' > "$work/-x.xml"
(cd "$work" && "$cli" convert --to iso-8859-1 -o out-x.xml -- -x.xml) || fail "a file named -x.xml after --"
[[ -s $work/out-x.xml ]] || fail "-- then -x.xml wrote nothing"
(cd "$work" && "$cli" check -- -x.xml > /dev/null) || fail "check -- -x.xml"
for repeated in '--to utf-8 --to=utf-16le' '--to utf-8 -o a.xml -o b.xml' '--to utf-8 --allow-loss --allow-loss'; do
    set +e
    message=$(cd "$work" && "$cli" convert plain.xml $repeated 2>&1)
    status=$?
    set -e
    [[ $status == 2 && $message == "tessel-cli convert: option "*" given more than once" ]] ||
        fail "repeated option ($repeated) exited $status: $message"
done
set +e
message=$("$cli" tree "$work/inj.xml" --depth 1 --depth 2 2>&1); status=$?
set -e
[[ $status == 2 && $message == "tessel-cli tree: option --depth given more than once" ]] ||
    fail "repeated --depth exited $status: $message"
mkdir "$work/nowrite"
set +e
message=$("$cli" indent "$work/crlf.xml" -o "$work/nowrite/x/y.xml" 2>&1); status=$?
set -e
[[ $status == 2 && $message == "tessel-cli indent: Cannot write to file $work/nowrite/x/y.xml: "* ]] ||
    fail "indent's failed write: $message"
set +e
message=$("$cli" convert "$work/inj.xml" --to utf-8 -o "$work/nowrite/x/y.xml" 2>&1); status=$?
set -e
[[ $status == 2 && $message == "tessel-cli convert: Cannot write to file $work/nowrite/x/y.xml: "* ]] ||
    fail "convert's failed write: $message"

mkdir "$work/signal"
{ printf '<?xml version="1.0"?>\n<rows>\n'
  awk 'BEGIN { for (i = 0; i < 1500000; i++) print "<row>some text with caf\303\251 in it</row>" }'
  printf '</rows>\n'; } > "$work/signal/big.xml"
before=$(cksum < "$work/signal/big.xml")
set -m
for signal in INT TERM HUP; do
    "$cli" convert "$work/signal/big.xml" --to utf-16le &
    pid=$!
    seen=0
    for _ in $(seq 3000); do
        if compgen -G "$work/signal/.big.xml.tessel-*" > /dev/null; then seen=1; break; fi
        kill -0 $pid 2>/dev/null || break
        sleep 0.005
    done
    kill -$signal $pid 2>/dev/null || true
    set +e
    wait $pid
    status=$?
    set -e
    [[ $seen == 1 ]] || fail "the hidden file of an in-place conversion was never seen ($signal)"
    [[ $status == $((128 + $(kill -l $signal))) ]] || fail "SIG$signal: the conversion exited $status"
    [[ $(ls -A "$work/signal") == big.xml ]] || fail "SIG$signal left $(ls -A "$work/signal")"
    [[ $(cksum < "$work/signal/big.xml") == "$before" ]] || fail "SIG$signal changed the file"
done
set +m

set +e
"$cli" convert "$work/mixed.xml" --to ebcdic 2>/dev/null; [[ $? == 2 ]] || fail "unknown encoding"
"$cli" convert "$work/nothing.xml" --to utf-8 2>/dev/null; [[ $? == 2 ]] || fail "missing file"
set -e
echo "convert and encoding agree with iconv"
