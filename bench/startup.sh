#!/bin/bash
# Program start to the first presented frame of single practice on the software renderer, timed as
# the whole run of `--practice --frames 1` (start, first frame, exit: an upper bound), the median of
# five; and the peak memory of 500 frames of practice in the window.
# Usage: bench/startup.sh [BUILD_DIR]   (default: build/release); runs under xvfb-run without a display.
set -eu
build=${1:-build/release}
bin="$(cd "$build/bin" && pwd)/rinkfall"
[ -x "$bin" ] || { echo "startup.sh: no rinkfall in $build/bin" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$build"
fi
export LIBGL_ALWAYS_SOFTWARE=1

# Wall time, and CPU time (user + system, all threads) which the machine's other load hardly moves.
TIMEFORMAT='%R %U %S'
times=()
for i in 1 2 3 4 5 6; do
    t=$( { time "$bin" --practice --frames 1 >/dev/null 2>&1; } 2>&1 )
    [ "$i" -gt 1 ] && times+=("$t") # the first run warms the file cache
done
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall=$(printf '%s\n' "${times[@]}" | awk '{ print $1 }' | median)
worst=$(printf '%s\n' "${times[@]}" | awk '{ print $1 }' | sort -n | tail -1)
cpu=$(printf '%s\n' "${times[@]}" | awk '{ print $2 + $3 }' | median)
echo "$wall $worst $cpu" | awk '{ printf "start to first presented frame (--practice, whole run of one frame): median %.0f ms, max %.0f ms wall; median %.0f ms CPU\n", $1 * 1000, $2 * 1000, $3 * 1000 }'

if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "%M" -o /tmp/rinkfall-startup-rss.$$ "$bin" --practice --frames 500 >/dev/null 2>&1
    echo "practice in the window, 500 frames: peak RSS $(( $(cat /tmp/rinkfall-startup-rss.$$) / 1024 )) MB"
    rm -f /tmp/rinkfall-startup-rss.$$
fi
