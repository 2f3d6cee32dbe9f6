#!/usr/bin/env bash
# The retry wrapper (the first argument) runs a program again when the X server hung up on it.
set -u
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Writes its greeting into a connection whose other end has already gone, as to an X server that
# hung up at once; only a program that survives the write can say what happened.
printf '%s\n' '#!/bin/bash' 'if [ ! -e "$1/wrote" ]; then touch "$1/wrote"; exec 3> >(true); wait $!' \
  'echo greeting >&3 2>/dev/null || echo "qt.qpa.xcb: could not connect to display :99" >&2; exit 1; fi' \
  'echo "second run"' > "$work/hung_up"
[ "$(bash "$1" bash "$work/hung_up" "$work" 2>/dev/null)" = "second run" ] || { echo "not retried"; exit 1; }
