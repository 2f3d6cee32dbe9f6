#!/bin/sh
# Times a 10,000-frame replay of practice play on the null device, without and with a state dump.
# Usage: bench/replay.sh [BUILD_DIR]   (default: build/release)
set -eu
build=${1:-build/release}
bin="$build/bin/rinkfall"
# The main program, once it takes the game options; the stand-alone game runner otherwise.
if ! QT_QPA_PLATFORM=offscreen timeout 10 "$bin" --help 2>/dev/null | grep -q -- --headless; then
    bin="$build/bin/rinkfall-headless"
fi
[ -x "$bin" ] || { echo "replay.sh: no game runner in $build/bin" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=10000

# Shots over and over: settle, place and set up the stone with Space taps and held D, shoot,
# brush now and then, and look around with the mouse.
awk -v n="$frames" 'BEGIN {
    print "{\"rinkfall_replay\":1,\"gmode\":1,\"seed\":2024}";
    for (i = 0; i < n; i++) {
        c = i % 2500; keys = ""; mouse = "";
        if (c >= 100 && c < 110 && c % 2 == 0) keys = "32";
        else if (c >= 110 && c < 140) keys = "68";
        else if (c == 140 || c == 141) keys = "32";
        else if (c > 200 && c % 37 == 0) keys = "65";
        if (c % 50 == 25) mouse = ",\"mouse\":[310,236]";
        printf "{\"t\":%.2f,\"keys\":[%s]%s}\n", i / 100.0, keys, mouse;
    }
}' > "$work/replay.jsonl"

run() {
    start=$(date +%s.%N)
    "$bin" --headless --practice --replay "$work/replay.jsonl" "$@"
    end=$(date +%s.%N)
    echo "$start $end" | awk -v n="$frames" -v what="$label" \
        '{ s = $2 - $1; printf "replay %-12s %6d frames  %.3f s  %.0f frames/s\n", what, n, s, n / s }'
}

label="no dump"; run
label="with --dump"; run --dump "$work/dump.jsonl"
