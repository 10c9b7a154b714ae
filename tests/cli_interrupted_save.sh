#!/usr/bin/env bash
# A tessel-cli convert killed while it rewrites a file with two names in place: the next
# command that opens either name says where the old content was kept, and that copy is the
# file as it was. A killed plain save leaves a hidden file that the next open removes.
# Usage: cli_interrupted_save.sh TESSEL_CLI
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$work"

python3 -c '
import sys
rows = "".join("  <row id=\"%d\">text of row %d</row>\n" % (i, i) for i in range(1000000))
sys.stdout.write("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rows>\n" + rows + "</rows>\n")' > a.xml
cp a.xml original.xml
ln a.xml b.xml

# Killed once the copy of the old content is made, while the file is being rewritten.
"$cli" convert a.xml --to utf-16le & pid=$!
for _ in $(seq 1000); do
    compgen -G '.a.xml.tessel-backup-*' > /dev/null && break
    sleep 0.01
done
kill -KILL $pid
wait $pid 2> /dev/null || true
backup=$(compgen -G '.a.xml.tessel-backup-*') || fail "no copy of the old content was kept"
cmp -s "$backup" original.xml || fail "the kept copy is not the old content"
"$cli" check b.xml > /dev/null 2> err.txt || true
grep -qF "a save of b.xml was interrupted; its content before that save is kept in ./$backup" err.txt ||
    fail "check did not name the kept copy: $(cat err.txt)"

# A plain save killed half-way leaves the file as it was; its hidden file is removed by the
# next open once no running save can own it.
"$cli" convert original.xml --to utf-16le & pid=$!
for _ in $(seq 1000); do
    compgen -G '.original.xml.tessel-??????' > /dev/null && break
    sleep 0.01
done
kill -KILL $pid
wait $pid 2> /dev/null || true
temp=$(compgen -G '.original.xml.tessel-??????') || fail "the killed save left no hidden file"
touch -d '1 minute ago' "$temp"
"$cli" info original.xml > /dev/null
[ ! -e "$temp" ] || fail "the stale hidden file was not removed"
cmp -s original.xml "$backup" || fail "the killed plain save changed the file"
echo "ok"
