#!/usr/bin/env bash
# A sweep's shards run side by side with GNU parallel, as the README shows
# (two at once, in one directory, resuming), then merged: the same table as
# the sweep run in one process. (Each format merged: sweep_program_test.sh.)
# Usage: parallel_sweep_test.sh SATPHASE
set -euo pipefail
satphase=$(realpath -e "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

sweep=(--vars 10,20,30 --ratios 3,4.26,5,6 --trials 61 --quiet --jobs 1)
"$satphase" sweep "${sweep[@]}" --format table --output whole.table
seq 5 | parallel -q -j 2 --sshlogin : --workdir "$work" \
    "$satphase" sweep "${sweep[@]}" --format jsonl --shard {}/5 --output shard-{}-of-5.jsonl --resume
"$satphase" merge shard-*-of-5.jsonl --format table --output merged.table
cmp whole.table merged.table || { echo "FAILED: merged table differs" >&2; exit 1; }
