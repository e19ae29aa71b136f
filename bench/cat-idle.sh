#!/usr/bin/env bash
# The cat's cost: idle CPU of the real app over a window (60 s by default) with
# the cat on and with it off, and the resident memory with the cat on. The app
# runs on a virtual X display with a fixture home (three AI tools, one reading),
# the pointer away from the bar; measuring starts once start-up has settled
# and its short-lived threads have gone.
# CPU is user + system time of the process over the window, as a share of one
# core. Goals: under 0.3 % with the cat, 0.0 % without.
#
#   bench/cat-idle.sh [seconds] [meterix binary]
# The binary defaults to the optimised build in build/release (built when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/common.sh"
seconds=${1:-60}
app=${2:-$root/build/release/src/meterix}

if [ "${INSIDE_XVFB:-}" != 1 ]; then
    if [ ! -x "$app" ]; then
        cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMETERIX_TESTS=OFF >/dev/null
        cmake --build "$root/build/release" --parallel >/dev/null
    fi
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" "$seconds" "$app"
fi

measure() {
    local cat_on=$1
    local home; home=$(mktemp -d)
    "$root/tests/e2e/make-fixture-home.sh" "$home"
    mkdir -p "$home/.config/Meterix"
    printf '[General]\npixelCatEnabled=%s\n' "$cat_on" > "$home/.config/Meterix/Meterix.conf"
    home_env "$home"
    "${app_env[@]}" "$app" > "$home/app.log" 2>&1 &
    local pid=$!
    xdotool mousemove 700 700 2>/dev/null || true
    # Start-up settles (the first refresh, the reveal, the first paints), and
    # the account scan's threads, idle for 30 s, go: a thread that ended in
    # the window would take its time out of the sum.
    sleep 40
    local before; before=$(cpu_ns "$pid")
    sleep "$seconds"
    local after; after=$(cpu_ns "$pid")
    local kb; kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    kill -TERM "$pid"
    wait "$pid" || true
    rm -rf "$home"
    awk -v a="$before" -v b="$after" -v s="$seconds" -v kb="$kb" -v on="$cat_on" \
        'BEGIN { printf "cat %s: %.3f %% of one core over %d s (%.0f ms), resident %.1f MiB\n",
                 on == "true" ? "on " : "off", (b - a) / 1e7 / s, s, (b - a) / 1e6, kb / 1024 }'
}

measure true
measure false
