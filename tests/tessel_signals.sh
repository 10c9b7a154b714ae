#!/usr/bin/env bash
# The editor ended by SIGTERM, SIGINT or SIGHUP once it has loaded and parsed a document: it
# ends by that signal (status 128 + its number), without an abort or a sanitizer report.
# Usage: tessel_signals.sh TESSEL SOURCE_DIR
set -uo pipefail
tessel=$(realpath "$1")
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export QT_QPA_PLATFORM=offscreen TESSEL_CONFIG_DIR=$work/config TESSEL_STATE_DIR=$work/state
cp "$src/samples/catalog.xml" "$work/"
for signal in TERM INT HUP; do
    : > "$work/log"
    env --default-signal=INT "$tessel" --log "$work/log" "$work/catalog.xml" > "$work/out" 2>&1 &
    pid=$!
    for _ in $(seq 600); do grep -q "Parsed" "$work/log" && break; sleep 0.05; done
    grep -q "Parsed" "$work/log" || fail "no parse within 30 s: $(cat "$work/out")"
    kill -s "$signal" $pid
    wait $pid
    status=$?
    expected=$(( 128 + $(kill -l "$signal") ))
    [ "$status" = "$expected" ] || fail "SIG$signal: status $status, expected $expected: $(cat "$work/out")"
    ! grep -q "Sanitizer\|Aborted" "$work/out" || fail "SIG$signal: $(cat "$work/out")"
done
echo ok
