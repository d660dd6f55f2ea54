#!/usr/bin/env bash
# A sweep's shards run side by side with GNU parallel, as the README shows
# (two at once, in one directory), then merged: the same result as the
# sweep run in one process.
# Usage: parallel_sweep_test.sh SATPHASE
set -euo pipefail
satphase=$(realpath -e "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAILED: $*" >&2; exit 1; }
# Every column but the wall-clock seconds.
without_seconds() { sed -e 's/"seconds":[^,]*,//' "$1" | awk -F, -v OFS=, 'NR > 1 || $15 == "seconds" { $15 = "" } 1'; }

sweep=(--vars 10,20,30 --ratios 3,4.26,5,6 --trials 61 --quiet --jobs 1)
for format in table csv jsonl; do
    "$satphase" sweep "${sweep[@]}" --format $format --output whole.$format
done
seq 5 | parallel -q -j 2 --sshlogin : --workdir "$work" \
    "$satphase" sweep "${sweep[@]}" --format jsonl --shard {}/5 --output shard-{}-of-5.jsonl --resume
for format in table csv jsonl; do
    "$satphase" merge shard-*-of-5.jsonl --format $format --output merged.$format || fail "merge"
done
cmp whole.table merged.table || fail "merged table differs"
cmp <(without_seconds whole.csv) <(without_seconds merged.csv) || fail "merged CSV differs"
cmp <(without_seconds whole.jsonl) <(without_seconds merged.jsonl) || fail "merged JSON Lines differ"
# (Resuming torn and lost outputs: sweep_program_test.sh and sweep_files_test.cpp.)
