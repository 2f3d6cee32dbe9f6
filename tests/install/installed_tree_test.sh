#!/usr/bin/env bash
# installed_tree_test.sh BUILD_DIR APP_ID BINDIR DATADIR: installs the build into a fresh prefix,
# checks that the desktop's validators pass its files and that the data arrived whole, and runs the
# installed game from elsewhere, also after the whole tree was moved.
set -euo pipefail
build=$1 id=$2 bindir=$3 datadir=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

prefix=$work/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  exit 1
fi
[[ -x "$prefix/$bindir/rinkfall" && -x "$prefix/$bindir/rinkfall-server" ]] || fail "a program is missing"
for folder in "$build"/bin/*/; do
  name=$(basename "$folder")
  diff -r "$folder" "$prefix/$datadir/rinkfall/$name" >/dev/null 2>&1 || fail "$name differs from the build's"
done
desktop-file-validate "$prefix/$datadir/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/$datadir/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# The game finds its Library from its own place, wherever the tree is and whichever folder it
# starts from; without its Library the same run fails and says so, so the runs did read it.
mkdir "$work/elsewhere"
run_game() {
  (cd "$work/elsewhere" && "$1/$bindir/rinkfall" --practice --headless --frames 5) >"$work/run.log" 2>&1
}
run_game "$prefix" || { cat "$work/run.log" >&2; fail "the installed game did not run"; }
mv "$prefix" "$work/moved"
run_game "$work/moved" || { cat "$work/run.log" >&2; fail "the moved game did not run"; }
mv "$work/moved/$datadir/rinkfall/Library" "$work/moved/$datadir/rinkfall/Library.away"
! run_game "$work/moved" && grep -q "/Library/" "$work/run.log" || fail "no clear failure without the Library"

[[ $failures -eq 0 ]] || exit 1
echo "installed tree: all checks passed"
