#!/usr/bin/env bash
# The retry wrapper tries again only after a lost display connection, and passes everything else on.
set -u
wrapper=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Loses the display on its first run only; the other fails for a reason of its own.
printf '%s\n' '#!/bin/sh' 'if [ ! -e "$1/ran" ]; then touch "$1/ran"' \
  'echo "qt.qpa.xcb: could not connect to display :99" >&2; exit 134; fi' 'echo "second run"' > "$work/flaky"
printf '#!/bin/sh\necho "broken" >&2; echo x >> "$1/runs"; exit 3\n' > "$work/broken"
# Writes its greeting into a connection whose other end has already gone, as to an X server that
# hung up at once; only a program that survives the write can say what happened.
printf '%s\n' '#!/bin/bash' 'if [ ! -e "$1/wrote" ]; then touch "$1/wrote"; exec 3> >(true); wait $!' \
  'echo greeting >&3 2>/dev/null || echo "qt.qpa.xcb: could not connect to display :99" >&2; exit 1; fi' \
  'echo "second run"' > "$work/hung_up"
chmod +x "$work/flaky" "$work/broken" "$work/hung_up"
[ "$(bash "$wrapper" "$work/hung_up" "$work" 2>/dev/null)" = "second run" ] || fail "a display that hung up was not retried"
[ "$(bash "$wrapper" "$work/flaky" "$work" 2>/dev/null)" = "second run" ] || fail "a lost display was not retried"
bash "$wrapper" "$work/broken" "$work" 2>/dev/null
[ $? -eq 3 ] || fail "another failure's exit code was not passed on"
[ "$(wc -l < "$work/runs")" -eq 1 ] || fail "another failure was retried"
echo "ok"
