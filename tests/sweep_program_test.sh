#!/usr/bin/env bash
# satphase sweep as a user runs it (refusals: command_line_test.cpp; defaults: program_test.cpp).
# Usage: sweep_program_test.sh SATPHASE CASE
set -euo pipefail
satphase=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAILED: $*" >&2; exit 1; }
# Every column but the wall-clock seconds, which differ from run to run.
without_seconds() { sed -e 's/"seconds":[^,]*,//' "$1" | awk -F, -v OFS=, 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "seconds") c = i } c { $c = "" } 1'; }

case $2 in
resume)
    # Killed midway, then resumed: the same records as an uninterrupted run.
    args=(--vars 30,40,50,60,70 --ratios 4.26,4.5 --trials 101 --quiet --jobs 2)
    for format in csv jsonl; do
        "$satphase" sweep "${args[@]}" --format $format --output whole.$format
        "$satphase" sweep "${args[@]}" --format $format --output cut.$format 2>err &
        pid=$!
        until [ -e cut.$format ] && [ "$(wc -l <cut.$format)" -ge 4 ]; do sleep 0.05; done
        # One writer per output: a second one is refused at once.
        status=0
        "$satphase" sweep "${args[@]}" --format $format --output cut.$format --resume 2>second || status=$?
        [ $status -eq 2 ] && grep -q "cut.$format: another satphase is writing" second ||
            fail "second writer exited $status: $(cat second)"
        kill -INT $pid
        status=0
        wait $pid || status=$?
        [ $status -eq 130 ] && grep -q "cells kept in cut.$format" err ||
            fail "interrupted sweep exited $status: $(cat err)"
        [ "$(wc -l <cut.$format)" -lt "$(wc -l <whole.$format)" ] || fail "ended before interrupted"
        printf '{"cell":9,"vars":7' >>cut.$format  # a record torn mid-line
        "$satphase" sweep "${args[@]}" --format $format --output cut.$format --resume
        cmp <(without_seconds whole.$format) <(without_seconds cut.$format) || fail "$format resume"
    done
    # lookahead's records as the version before wrote them, without the
    # look-aheads: resumed in their own layout.
    args=(--vars 20,30 --ratios 4,4.5 --trials 5 --solver lookahead --per-formula --format csv)
    "$satphase" sweep "${args[@]}" | cut -d, -f1-8 >older.csv
    head -8 older.csv >cut-older.csv
    "$satphase" sweep "${args[@]}" --quiet --output cut-older.csv --resume
    cmp older.csv cut-older.csv || fail "an older file's layout was not kept"
    ;;
shards)
    # Shards run side by side with GNU parallel, as the README shows (two at
    # once, in one directory, resuming), then merged: the whole sweep's table
    # (every format and record kind merged: sweep_files_test.cpp).
    args=(--vars 10:40:10 --ratios 3,4.26,5,6 --trials 31 --quiet --jobs 1 --model uniform --k 4)
    seq 3 | parallel -q -j 2 --sshlogin : --workdir "$work" \
        "$satphase" sweep "${args[@]}" --format jsonl --shard {}/3 --output s{}.jsonl --resume
    "$satphase" sweep "${args[@]}" >whole.table
    "$satphase" merge s3.jsonl s1.jsonl s2.jsonl --output merged.table
    cmp whole.table merged.table || fail "merged table differs"
    ;;
*)
    fail "unknown case $2"
    ;;
esac
