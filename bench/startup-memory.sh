#!/usr/bin/env bash
# Start-up and memory of the real app: starts it on a virtual X display with a
# fixture home (three AI tools, one reading), then reports the time from launch
# to the bar's first paint, the resident memory 5 s after launch, and the
# resident memory with a provider's detail card open (a click on the first
# segment, 2 s later). Several runs give the median of each.
# STARTUP_PROJECTS=20000 adds that many Claude project folders (a large home:
# every one of them is watched).
#
#   bench/startup-memory.sh [runs] [meterix binary]
# The binary defaults to the optimised build in build/release (built when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/common.sh"
runs=${1:-5}
app=${2:-$root/build/release/src/meterix}

if [ "${INSIDE_XVFB:-}" != 1 ]; then
    if [ ! -x "$app" ]; then
        cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMETERIX_TESTS=OFF >/dev/null
        cmake --build "$root/build/release" --parallel >/dev/null
    fi
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" "$runs" "$app"
fi

median() { sort -n | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }

paints=()
rss=()
card_rss=()
bar_window() { xwininfo -root -tree | awk '/"Meterix": \("meterix"/ {print $1; exit}'; }
for ((i = 1; i <= runs; i++)); do
    home=$(mktemp -d)
    "$root/tests/e2e/make-fixture-home.sh" "$home"
    if [ "${STARTUP_PROJECTS:-0}" -gt 0 ]; then
        (cd "$home/.claude" && mkdir -p projects && cd projects &&
            seq -f '-home-dev-src-project-%.0f' 1 "$STARTUP_PROJECTS" | xargs mkdir -p --)
    fi
    launched=$(date +%s%3N)
    home_env "$home"
    "${app_env[@]}" METERIX_TRACE_STARTUP=1 "$app" > "$home/app.log" 2>&1 &
    pid=$!
    # The resident set after 5 s of the app's life, start-up refresh included.
    sleep 5
    kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    # The first segment: the bleed, the grab handle and divider, half a label; the cat's room.
    read -r bx by <<< "$(xwininfo -id "$(bar_window)" | awk '/Absolute upper-left X/ {x=$NF}
        /Absolute upper-left Y/ {y=$NF} END {print x, y}')"
    xdotool mousemove $((bx + 20 + 23 + 33)) $((by + 20 + 20 + 17)) click 1
    sleep 2
    card_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    card_height=$(xwininfo -id "$(bar_window)" | awk '/Height:/ {print $NF}')
    painted=$(sed -n 's/^meterix: first paint at \([0-9]*\) ms.*/\1/p' "$home/app.log" | head -1)
    kill -TERM "$pid"
    wait "$pid" || true
    rm -rf "$home"
    [ -n "$painted" ] || { echo "run $i: the bar was never painted" >&2; exit 1; }
    [ "$card_height" -gt 100 ] || { echo "run $i: the card did not open" >&2; exit 1; }
    paints+=($((painted - launched)))
    rss+=($((kb / 1024)))
    card_rss+=($((card_kb / 1024)))
    echo "run $i: first paint $((painted - launched)) ms after launch, resident ${rss[-1]} MiB after 5 s," \
        "${card_rss[-1]} MiB with the card open"
done
echo "median: first paint $(printf '%s\n' "${paints[@]}" | median) ms, resident $(printf '%s\n' "${rss[@]}" | median) MiB," \
    "$(printf '%s\n' "${card_rss[@]}" | median) MiB with the card open"
