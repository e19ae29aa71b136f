#!/usr/bin/env bash
# End to end: the pixel cat of the real app on a virtual X display. A press on
# the cat and a move 200 px away lift it into the screen-wide overlay, which
# carries it under the pointer; the release puts it back on the bar. The bar
# itself never moves meanwhile, and afterwards it can be dragged again by its
# handle (the cat has given the pointer back).
#
#   cat-under-xvfb.sh <meterix> <screen-grab> <cat-locator> <output folder>
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    [ $# -eq 4 ] || { echo "usage: $0 <meterix> <screen-grab> <cat-locator> <output folder>" >&2; exit 2; }
    command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (scripts/install-deps)" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
app=$1 grab=$2 locate=$3 out=$4
suppressions="$(cd "$(dirname "$0")/../support" && pwd)/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"
mkdir -p "$out"

home=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$home"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    "$grab" "$out/cat-failure.png" 2>/dev/null || true
    if [ -f "$home/app.log" ]; then
        if grep -q '^==[0-9]*==ERROR' "$home/app.log"; then
            sed -n '/^==[0-9]*==ERROR/,/^SUMMARY/p' "$home/app.log" >&2
        else
            tail -30 "$home/app.log" >&2
        fi
    fi
    exit 1
}

"$(dirname "$0")/make-fixture-home.sh" "$home"

wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

window_named() { xwininfo -root -tree | awk -v n="\"$1\":" '$2 == n || index($0, n) {print $1; exit}'; }
bar_window() { xwininfo -root -tree | awk '/"Meterix": \("meterix"/ {print $1; exit}'; }
overlay_window() { xwininfo -root -tree | awk '/"Meterix cat"/ {print $1; exit}'; }
geometry_of() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
viewable() { [ -n "$1" ] && xwininfo -id "$1" | grep -q IsViewable; }
bar_mapped() { viewable "$(bar_window)"; }
overlay_mapped() { viewable "$(overlay_window)"; }
overlay_gone() { ! overlay_mapped; }
log_has() { grep -q "$1" "$home/app.log"; }

env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home" \
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home" \
    LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb \
    QT_LOGGING_RULES="com.meterix.provider.debug=true" \
    "$app" > "$home/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")

wait_for 30 bar_mapped || fail "the bar never showed"
wait_for 30 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
bar=$(bar_window)
read -r bx by bw bh <<< "$(geometry_of "$bar")"
# The bar's window: 20 px of bleed, then the cat's 20 px band, then the capsule.
capsule_top=$((by + 40))

# Resting the pointer on the capsule stops a walking cat, so it can be caught.
xdotool mousemove $((bx + 26)) $((capsule_top + 17))
sleep 0.6
cat_on_bar() { "$locate" "$bx" "$by" "$bw" 44; }
read -r cx cy _ <<< "$(cat_on_bar)" || fail "no cat on the bar"
"$grab" "$out/cat-on-bar.png" || fail "no screenshot"

# Press on the cat, carry it 200 px away.
xdotool mousemove "$cx" "$cy"
sleep 0.3
xdotool mousedown 1
sleep 0.2
xdotool mousemove $((cx + 100)) $((cy + 100))
sleep 0.1
xdotool mousemove $((cx + 200)) $((cy + 200))
wait_for 5 overlay_mapped || fail "the cat was not lifted into the overlay"
sleep 0.3
"$grab" "$out/cat-carried.png" || fail "no screenshot"
read -r ox oy _ <<< "$("$locate" $((cx + 170)) $((cy + 170)) 60 60)" || fail "the carried cat is not under the pointer"
[ "$(geometry_of "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved while the cat was carried"

# Let go: the cat springs back onto the bar and the overlay goes away.
xdotool mouseup 1
wait_for 5 overlay_gone || fail "the overlay stayed after the drop"
sleep 0.3
read -r lx ly _ <<< "$(cat_on_bar)" || fail "the cat is not back on the bar"
"$grab" "$out/cat-back-on-bar.png" || fail "no screenshot"
[ "$(geometry_of "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved with the cat's drop"
# Dropped 200 px to the right of where it stood: at the right end of its range.
[ "$lx" -gt "$cx" ] || fail "the cat landed at $lx, not right of where it was lifted ($cx)"

# The bar is its own again: a drag by its handle moves it.
xdotool mousemove $((bx + 26)) $((capsule_top + 17))
sleep 0.2
xdotool mousedown 1
sleep 0.1
xdotool mousemove $((bx + 56)) $((capsule_top + 67))
sleep 0.1
xdotool mousemove $((bx + 76)) $((capsule_top + 117))
sleep 0.2
xdotool mouseup 1
moved() { [ "$(geometry_of "$bar" | cut -d' ' -f1,2)" = "$((bx + 50)) $((by + 100))" ]; }
wait_for 5 moved || fail "the bar could not be dragged after the cat's carry: $(geometry_of "$bar")"

kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
[ $status -eq 0 ] || fail "the app exited with $status on SIGTERM"
echo "PASS: cat carried off the bar and back; screenshots in $out"
