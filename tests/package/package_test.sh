#!/usr/bin/env bash
# The Debian package as a user meets it: built with cpack from this source
# tree, installed with dpkg, and run from PATH in a scratch directory, with
# the build tree deleted and nothing in the environment or the binary that
# points back at the sources. Needs root for dpkg; run by .ci/run. The
# package is removed again whatever happens.
#   tests/package/package_test.sh
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

fail() { echo "package_test: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root, to install the package with dpkg"
if dpkg-query -W -f='${Status}' satphase 2>/dev/null | grep -q installed; then
    fail "a satphase package is installed already; remove it first (dpkg -r satphase)"
fi

scratch=$(mktemp -d)
installed=
cleanup() {
    if [ -n "$installed" ] && ! dpkg -r satphase >/dev/null; then
        echo "package_test: could not remove the satphase package" >&2
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

version=$(sed -n 's/^project(satphase VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
deb=satphase_${version}_$(dpkg --print-architecture).deb
build=$scratch/build
cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DSATPHASE_BUILD_TESTS=OFF -DSATPHASE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || fail "cpack -G DEB failed: $(tail -5 "$build/cpack.log")"
[ -f "$build/$deb" ] || fail "cpack -G DEB wrote no $deb"
mv "$build/$deb" "$scratch/"
rm -rf "$build"

depends=$(dpkg-deb -f "$scratch/$deb" Depends)
names=$(sed 's/([^)]*)//g; s/ //g' <<<"$depends")  # without the versions
for package in python3 python3-matplotlib python3-scipy python3-numpy python3-pandas libc6 libstdc++6; do
    [[ ",$names," == *",$package,"* ]] || fail "Depends lacks $package: $depends"
done
files=$(dpkg-deb -c "$scratch/$deb")
for file in bin/satphase share/satphase/satphase_plot.py share/satphase/satphase_analyze.py \
            lib/python3/dist-packages/satphase/records.py share/man/man1/satphase.1.gz \
            share/doc/satphase/README.md share/doc/satphase/sweep-output.md; do
    grep -q " \./usr/$file\$" <<<"$files" || fail "the package lacks /usr/$file"
done

grep -q " \./usr/lib/python3/dist-packages/satphase/_native\.cpython-.*\.so\$" <<<"$files" \
    || fail "the package lacks the Python package's native module"

installed=yes
dpkg -i "$scratch/$deb" >/dev/null
! grep -qF "$source_dir" /usr/bin/satphase || fail "/usr/bin/satphase names the source tree"

mkdir "$scratch/work"
cd "$scratch/work"
# A user's environment: no SATPHASE_* variable, nothing but the system's PATH.
run() { env -i PATH=/usr/bin:/bin HOME="$scratch/work" LANG=C.UTF-8 "$@"; }
[ "$(run sh -c 'command -v satphase')" = /usr/bin/satphase ] || fail "satphase is not /usr/bin/satphase"

commit=unknown
if head=$(git -C "$source_dir" rev-parse HEAD 2>/dev/null); then
    commit="$head(-dirty)?"
fi
run satphase --version >version.txt
pattern="^satphase ${version//./\\.}"$'\n'"commit $commit\$"
[[ $(cat version.txt) =~ $pattern && $(wc -l <version.txt) -eq 2 ]] \
    || fail "satphase --version printed: $(cat version.txt)"

run satphase sweep --vars 10,20 --ratios 3:6:1 --trials 21 --format csv --output sweep.csv
run satphase plot sweep.csv --output figure >plot.txt || fail "satphase plot failed"
grep -q "^Wrote figure.png and figure.svg" plot.txt || fail "satphase plot printed: $(cat plot.txt)"
[ "$(head -c 8 figure.png | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "figure.png is no PNG"
run satphase analyze sweep.csv >analysis.txt || fail "satphase analyze failed"
grep -q "^classic model, k = 3: 2 sizes" analysis.txt || fail "satphase analyze printed: $(head -1 analysis.txt)"
# The package from Debian's python3, as a notebook imports it: the same records.
run python3 -B -c '
import pandas, satphase
frame = satphase.sweep(vars=[10, 20], ratios="3:6:1", trials=21, progress=False)
assert satphase.__file__ == "/usr/lib/python3/dist-packages/satphase/__init__.py", satphase.__file__
written = pandas.read_csv("sweep.csv").drop(columns="seconds")
pandas.testing.assert_frame_equal(frame.drop(columns="seconds"), written)
assert satphase.analyze(frame).cells == 8
' || fail "import satphase from the installed package failed"
run man -w satphase >/dev/null 2>&1 || [ -f /usr/share/man/man1/satphase.1.gz ] || fail "no man page"
zcat /usr/share/man/man1/satphase.1.gz | grep -q "satphase $version" || fail "the man page lacks the version"
echo "package_test: $deb installs, sweeps and plots"  # (the figures' maker: install_layout_test.sh)
