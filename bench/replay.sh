#!/bin/bash
# Times a 10,000-frame practice replay on the null device (whole process), without and with a state
# dump, and shows the memory of a one-hour replay (360,000 frames) next to that of the short one.
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

# Practice play whose keys change every 50 frames among none, Space, A, D, W and S (a fixed
# pseudo-random order), so stones are set up, thrown, brushed and run.
replay() {
    awk -v n="$1" 'BEGIN {
        print "{\"rinkfall_replay\":1,\"gmode\":1,\"seed\":2024}";
        split("0 32 65 68 87 83", choice, " ");
        x = 1; keys = "";
        for (i = 0; i < n; i++) {
            if (i % 50 == 0) { x = (x * 75 + 74) % 65537; k = choice[int(x / 7) % 6 + 1]; keys = (k == 0 ? "" : k); }
            printf "{\"t\":%.2f,\"keys\":[%s]}\n", i / 100.0, keys;
        }
    }'
}

frames=10000
replay $frames > "$work/replay.jsonl"

# Wall and CPU (user + system) time of the whole process; the machine's other load shows in the
# first, hardly in the second.
run() {
    local label=$1; shift
    local TIMEFORMAT='%R %U %S'
    local t
    t=$( { time "$bin" --headless --practice --replay "$work/replay.jsonl" "$@" >/dev/null 2>&1; } 2>&1 )
    echo "$t" | awk -v n="$frames" -v what="$label" '{ cpu = $2 + $3;
        printf "replay %-12s %6d frames  wall %.3f s %7.0f frames/s   cpu %.3f s %7.0f frames/s\n",
               what, n, $1, n / $1, cpu, n / cpu }'
}

run "no dump"
run "with --dump" --dump "$work/dump.jsonl"

# Peak memory of the short replay and of one hour of play: a leak would show as growth.
if [ -x /usr/bin/time ]; then
    replay 360000 > "$work/hour.jsonl"
    for f in replay hour; do
        /usr/bin/time -f "%M" -o "$work/$f.rss" "$bin" --headless --practice --replay "$work/$f.jsonl" >/dev/null 2>&1
    done
    echo "replay peak RSS: 10,000 frames $(( $(cat "$work/replay.rss") / 1024 )) MB," \
         "360,000 frames (one hour) $(( $(cat "$work/hour.rss") / 1024 )) MB"
else
    echo "replay peak RSS: not measured (needs GNU time, /usr/bin/time)"
fi
