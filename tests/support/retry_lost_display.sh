#!/usr/bin/env bash
# Runs a test program, and runs it again (three tries in all) only when the virtual X server hung up
# on it before it could start ("could not connect to display"): Xvfb drops a few of the connections
# opened while the machine is busy, whatever the clients do. Any other outcome is the program's own
# and is passed on as it came.
set -u
# When the server hangs up before the program has written its greeting, the write raises SIGPIPE,
# which would end the program at once, without a word and without its buffered output. Ignored
# (children inherit that), the write fails instead and the program reports the lost display.
trap '' PIPE
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
for attempt in 1 2 3; do
    "$@" 2>"$log"
    status=$?
    cat "$log" >&2
    if [ "$status" -eq 0 ] || ! grep -q "could not connect to display" "$log"; then
        exit "$status"
    fi
    echo "retry_lost_display: the X server hung up before the program started (try $attempt of 3)" >&2
    sleep 1
done
exit "$status"
