#!/usr/bin/env bash
# A translation file is complete when lupdate, run over the sources into a copy of it, finds no
# new text, no text gone and nothing unfinished, and has nothing to say about the sources.
# Usage: translations_complete.sh LUPDATE SOURCE_DIR "FOLDER;FOLDER..." TS_FILE
set -uo pipefail
lupdate=$1 source=$2 folders=${3//;/ } ts=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy="$work/$(basename "$ts")"
cp "$ts" "$copy" || exit 1
# shellcheck disable=SC2086 # the folders are separate words
(cd "$source" && "$lupdate" $folders -I . -locations none -ts "$copy") >"$work/log" 2>&1 || exit 1
status=0
grep -E ':[0-9]+: ' "$work/log" && status=1 && echo "$ts: lupdate cannot read every text of the sources"
if ! grep -qE 'Found [1-9][0-9]* source text\(s\) \(0 new and [0-9]+ already existing\)' "$work/log"; then
  grep 'Found' "$work/log" || cat "$work/log"
  echo "$ts: the sources hold texts it does not"
  status=1
fi
grep -nE 'type="(unfinished|vanished|obsolete)"' "$copy" && status=1 &&
  echo "$ts: messages above are untranslated or no longer in the sources"
exit $status
