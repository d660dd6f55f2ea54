#!/usr/bin/env bash
# scripts/slurm-sweep up to sbatch, with stand-ins for sbatch and satphase: what
# it refuses, and a merge job that holds up at the largest number of shards.
# Usage: tests/slurm/submission_test.sh
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/satphase-submission.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "submission_test: FAILED: $*" >&2; exit 1; }

# sbatch keeps what it was given and answers a job id; satphase finds every
# shard missing, and as merge says how many files it was given.
mkdir "$work/bin"
cat >"$work/bin/sbatch" <<STUB
#!/bin/sh
n=\$(ls "$work" | grep -c '^job') || :
printf '%s\n' "\$@" >"$work/job\$n.args"
case " \$* " in *" --wrap="*) ;; *) cat >"$work/job\$n.script" ;; esac
echo \$((100 + n))
STUB
cat >"$work/bin/satphase" <<STUB
#!/bin/sh
case " \$* " in *" --check "*) exit 3 ;; esac
if [ "\$1" = merge ]; then
    echo "\$#" >"$work/merge-arguments"
    eval "output=\\\${\$#}"
    echo merged >"\$output"
fi
exit 0
STUB
chmod +x "$work/bin/sbatch" "$work/bin/satphase"
export PATH="$work/bin:$PATH"
sweep_sh() { "$repo/scripts/slurm-sweep" --satphase "$work/bin/satphase" "$@"; }

# Refusals: exit status, then a piece of the one line on standard error.
refused() {
    local status=$1 says=$2 got=0
    shift 2
    sweep_sh --shards 2 --dir "$work/refused" "$@" 2>"$work/err" >/dev/null || got=$?
    [ $got -eq "$status" ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -qF -- "$says" "$work/err" ||
        fail "$* gave status $got: $(cat "$work/err")"
}
refused 2 "'--depend=afterok:1': this script sets" --sbatch-option=--depend=afterok:1
refused 2 "'--arr=1-3': this script sets" --sbatch-option=--arr=1-3
refused 2 "'-Hd1': this script sets" --sbatch-option=-Hd1
refused 2 "'short': not an option" --sbatch-option=short
refused 2 "'--check=1': this script sets it" -- --vars 10 --check=1
refused 2 "'--resume=true': this script sets it" -- --vars 10 --resume=true
"$repo/scripts/slurm-sweep" --satphase nosuch --shards 2 --dir "$work/x" 2>"$work/err" && fail "--satphase nosuch accepted"
grep -qF "no program 'nosuch' on PATH" "$work/err" || fail "--satphase nosuch: $(cat "$work/err")"
[ ! -e "$work/job0.args" ] || fail "a refused request submitted a job"
sweep_sh --shards 2 --dir "$work/ok" --sbatch-option=-pshort --sbatch-option=--time=5 -- --vars 10 >/dev/null ||
    fail "options of sbatch's own rejected"

# The largest split: the merge job's script stays small and names every shard.
rm -f "$work"/job*
sweep_sh --shards 100000 --dir "$work/big" -- --vars 10 >/dev/null
script=$work/job1.script
[ -f "$script" ] && [ "$(wc -c <"$script")" -lt 1024 ] || fail "merge job script: $(ls -l "$work")"
grep -qx -- '--array=1-100000' "$work/job0.args" || fail "array job: $(cat "$work/job0.args")"
sh "$script"
[ "$(cat "$work/merge-arguments")" -eq $((100000 + 5)) ] ||
    fail "merge got $(cat "$work/merge-arguments") arguments for 100000 shards"
[ "$(ls -A "$work/big" | paste -sd' ')" = "logs result.csv slurm-jobs" ] && [ "$(cat "$work/big/result.csv")" = merged ] ||
    fail "after the merge job: $(ls -A "$work/big")"
echo "submission_test: passed"
