#!/usr/bin/env bash
# Runs a test program again (three tries in all) only when the virtual X server hung up on it before
# it could start: Xvfb drops a few connections opened while the machine is busy. Any other outcome
# is the program's own and is passed on as it came.
set -u
# A hang-up before the greeting is written raises SIGPIPE, which would end the program without a
# word; ignored (children inherit that), the write fails and the program reports the lost display.
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
