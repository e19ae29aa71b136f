#!/usr/bin/env bash
# The cat's cost: idle CPU of the real app over a window (60 s by default) with
# the cat on and with it off, and the resident memory with the cat on. The app
# runs on a virtual X display with a fixture home (three AI tools, one reading),
# the pointer away from the bar; measuring starts once start-up has settled
# and its short-lived threads have gone.
# CPU is user + system time of the process over the window, as a share of one
# core. Goals: under 0.3 % with the cat, 0.0 % without.
# Last, the same reading of the reference window (bench/reference) walking a
# cat-sized block as often as the cat steps: what any Qt window that repaints
# that often costs on this machine and display.
#
#   bench/cat-idle.sh [seconds] [meterix binary] [reference binary]
# The binaries default to the optimised build in build/release (built when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/common.sh"
seconds=${1:-60}
app=${2:-$root/build/release/src/meterix}
ref=${3:-$root/build/release/bench/ReferenceApp}

if [ "${INSIDE_XVFB:-}" != 1 ]; then
    if [ ! -x "$app" ] || [ ! -x "$ref" ]; then
        cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMETERIX_BENCH=ON >/dev/null
        cmake --build "$root/build/release" --parallel --target meterix ReferenceApp >/dev/null
    fi
    INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" "$seconds" "$app" "$ref"
fi

# measure LABEL CAT_ON COMMAND...: starts the command in a fresh fixture home
# and prints its CPU over the window and its resident memory at the end.
measure() {
    local label=$1 cat_on=$2
    shift 2
    local home; home=$(mktemp -d)
    "$root/tests/e2e/make-fixture-home.sh" "$home"
    mkdir -p "$home/.config/Meterix"
    printf '[General]\npixelCatEnabled=%s\n' "$cat_on" > "$home/.config/Meterix/Meterix.conf"
    home_env "$home"
    "${app_env[@]}" "$@" > "$home/app.log" 2>&1 &
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
    awk -v a="$before" -v b="$after" -v s="$seconds" -v kb="$kb" -v label="$label" \
        'BEGIN { printf "%s: %.3f %% of one core over %d s (%.0f ms), resident %.1f MiB\n",
                 label, (b - a) / 1e7 / s, s, (b - a) / 1e6, kb / 1024 }'
}

measure "cat on " true "$app"
measure "cat off" false "$app"
# Shared memory off, as the app has it.
measure "reference window stepping every 0.12 s" false QT_XCB_NO_MITSHM=1 "$ref" --step
