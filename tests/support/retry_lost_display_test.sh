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
chmod +x "$work/flaky" "$work/broken"
[ "$(bash "$wrapper" "$work/flaky" "$work" 2>/dev/null)" = "second run" ] || fail "a lost display was not retried"
bash "$wrapper" "$work/broken" "$work" 2>/dev/null
[ $? -eq 3 ] || fail "another failure's exit code was not passed on"
[ "$(wc -l < "$work/runs")" -eq 1 ] || fail "another failure was retried"
echo "ok"
