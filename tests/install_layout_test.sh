#!/usr/bin/env bash
# An installed satphase (PREFIX/bin, run through a link, no variable set) finds
# its plotting and analysis programs, and the package satphase they import, in
# PREFIX/share/satphase, says where it looked when one is missing, and looks
# only at SATPHASE_PLOT_SCRIPT when that is set.
#   install_layout_test.sh PROGRAM PYTHON_FOLDER SWEEP_CSV
set -euo pipefail
program=$1 python=$2 sweep=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install_layout_test: $*" >&2; exit 1; }
mkdir -p "$scratch/prefix/bin" "$scratch/prefix/share/satphase" "$scratch/links" "$scratch/work"
cp "$program" "$scratch/prefix/bin/satphase"
cp "$python"/satphase_plot.py "$python"/satphase_analyze.py "$scratch/prefix/share/satphase/"
mkdir "$scratch/prefix/share/satphase/satphase"
cp "$python"/satphase/*.py "$scratch/prefix/share/satphase/satphase/"
ln -s "$scratch/prefix/bin/satphase" "$scratch/links/satphase"
cd "$scratch/work"
unset SATPHASE_PLOT_SCRIPT SATPHASE_MADE_BY
satphase=$scratch/links/satphase

made_by="satphase $("$satphase" --version | sed -n '1s/^satphase //p; 2s/^commit \(.*\)/(commit \1)/p' | paste -sd ' ')"
"$satphase" plot "$sweep" --output figure >/dev/null || fail "plot failed in the installed layout"
grep -aqP "Software\x00\Q$made_by\E with Matplotlib" figure.png || fail "figure.png lacks '$made_by'"
grep -qF "<dc:title>$made_by with Matplotlib" figure.svg || fail "figure.svg lacks '$made_by'"
"$satphase" analyze "$sweep" >analysis.txt || fail "analyze failed in the installed layout"
grep -q "^classic model, k = 3: 4 sizes" analysis.txt || fail "analyze printed: $(head -1 analysis.txt)"
[ -z "$(find "$scratch/prefix" -name __pycache__)" ] || fail "a __pycache__ was written into the install"

# Missing: one line naming where it looked, status 1, nothing written.
rm "$scratch/prefix/share/satphase/satphase_plot.py"
rm figure.png figure.svg analysis.txt
if "$satphase" plot "$sweep" --output figure 2>error.txt; then fail "plot succeeded without its program"; fi
[ "$(wc -l <error.txt)" -eq 1 ] && grep -qF "looked at $scratch/prefix/share/satphase/satphase_plot.py" error.txt \
    || fail "unexpected message: $(cat error.txt)"
[ ! -e figure.png ] && [ ! -e figure.svg ] || fail "a figure was written"

# SATPHASE_PLOT_SCRIPT, when set, is the one place looked at.
if SATPHASE_PLOT_SCRIPT=$scratch/other.py "$satphase" plot "$sweep" 2>error.txt; then
    fail "plot succeeded with SATPHASE_PLOT_SCRIPT naming no file"
fi
grep -qF "(looked at $scratch/other.py;" error.txt || fail "SATPHASE_PLOT_SCRIPT ignored: $(cat error.txt)"
