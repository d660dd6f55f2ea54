#!/usr/bin/env bash
# cmake/build_info.cmake, behind --version: the tree's commit, "-dirty" only for
# a changed tracked file, "unknown" outside git or for a tree unpacked inside
# another repository, and the header left as it is when its text is the same.
#   build_info_test.sh BUILD_INFO_CMAKE
set -euo pipefail
script=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "build_info_test: $*" >&2; exit 1; }
commit_of() {  # SOURCE_DIR: the commit the header names
    cmake -DSOURCE_DIR="$1" -DOUTPUT="$scratch/info.h" -DVERSION=1.2.3 -P "$script"
    sed -n 's/^#define SATPHASE_COMMIT "\(.*\)"$/\1/p' "$scratch/info.h"
}
in_tree() { git -C "$scratch/tree" -c user.name=test -c user.email=test@localhost "$@"; }
expect() {  # SOURCE_DIR COMMIT WHEN
    local got
    got=$(commit_of "$1")
    [ "$got" = "$2" ] || fail "$3: the commit is '$got', not '$2'"
}

mkdir -p "$scratch/tree/unpacked"
echo one >"$scratch/tree/file"
expect "$scratch/tree" unknown "outside git"
grep -qx '#define SATPHASE_VERSION "1.2.3"' "$scratch/info.h" || fail "no version in $(cat "$scratch/info.h")"

in_tree init -q
in_tree add file
in_tree commit -qm one
head=$(in_tree rev-parse HEAD)
expect "$scratch/tree" "$head" "committed"
touch -d 2000-01-01 "$scratch/info.h"
touch "$scratch/tree/file"
echo new >"$scratch/tree/untracked"
expect "$scratch/tree" "$head" "a file touched and one untracked"
[ "$(stat -c %Y "$scratch/info.h")" = "$(date -d 2000-01-01 +%s)" ] || fail "the same text was written again"

echo changed >"$scratch/tree/file"
expect "$scratch/tree" "$head-dirty" "a tracked file changed"
expect "$scratch/tree/unpacked" unknown "a tree inside another repository"
