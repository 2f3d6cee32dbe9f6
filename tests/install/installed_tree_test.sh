#!/usr/bin/env bash
# installed_tree_test.sh BUILD_DIR APP_ID BINDIR DATADIR: installs the build into a fresh prefix,
# checks that every file is where a desktop looks for it and passes the desktop's validators, and
# runs the installed game from elsewhere, also after the whole tree was moved.
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
desktop=$datadir/applications/$id.desktop
metainfo=$datadir/metainfo/$id.metainfo.xml
for file in "$bindir/rinkfall" "$bindir/rinkfall-server" "$desktop" "$metainfo"; do
  [[ -f "$prefix/$file" ]] || fail "$file was not installed"
done
[[ -x "$prefix/$bindir/rinkfall" ]] || fail "$bindir/rinkfall is not executable"

# Every data folder the build wrote beside the programs arrives whole in the data folder.
for folder in "$build"/bin/*/; do
  name=$(basename "$folder")
  diff -r "$folder" "$prefix/$datadir/rinkfall/$name" >/dev/null 2>&1 ||
    fail "$datadir/rinkfall/$name differs from the build's bin/$name"
done

# Each icon is a PNG whose header gives the size of the folder it sits in.
for size in 16 32 48 64 128 256; do
  icon=$prefix/$datadir/icons/hicolor/${size}x${size}/apps/$id.png
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" |
    awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }') || true
  [[ "${w:-} ${h:-}" == "$size $size" ]] || fail "$icon is missing or ${w:-?}x${h:-?}"
done

# Only the data and the programs a player runs: no build tools, no test programs.
for stray in rinkfall-library-gen rinkfall-icon-gen game_run_tests; do
  [[ ! -e "$prefix/$bindir/$stray" ]] || fail "$bindir/$stray was installed"
done

desktop-file-validate "$prefix/$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/$metainfo" || fail "appstreamcli validate"
# The three files name each other by the application id.
grep -qx "Icon=$id" "$prefix/$desktop" || fail "the desktop file does not name icon $id"
grep -qx "Exec=rinkfall" "$prefix/$desktop" || fail "the desktop file does not start rinkfall"
grep -q "<id>$id</id>" "$prefix/$metainfo" || fail "the metainfo id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/$metainfo" ||
  fail "the metainfo does not launch $id.desktop"

# The game finds its Library from its own place, wherever the tree is and whichever folder it
# starts from; without its Library the same run fails, so the runs did read it.
mkdir "$work/elsewhere"
run_game() {
  (cd "$work/elsewhere" && "$1/$bindir/rinkfall" --practice --headless --frames 5) >"$work/run.log" 2>&1
}
run_game "$prefix" || { cat "$work/run.log" >&2; fail "the installed game did not run"; }
mv "$prefix" "$work/moved"
run_game "$work/moved" || { cat "$work/run.log" >&2; fail "the moved game did not run"; }
mv "$work/moved/$datadir/rinkfall/Library" "$work/moved/$datadir/rinkfall/Library.away"
! run_game "$work/moved" || fail "the game ran without its Library"

[[ $failures -eq 0 ]] || exit 1
echo "installed tree: all checks passed"
