#!/usr/bin/env bash
# End to end: the detail card of the real app on a virtual X display with a
# fixture home. A click on a segment opens its card: the bar's window grows away
# from the bar (below it, as the bar rests at the top of the screen) while the
# bar stays put, and the card's pixels are in a screenshot. A second click on
# the same segment closes it, and so does a click elsewhere on the desktop; each
# time the window returns to the bar's resting frame.
#
#   card-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <output folder>
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    [ $# -eq 4 ] || { echo "usage: $0 <meterix> <screen-grab> <screen-diff> <output folder>" >&2; exit 2; }
    command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (scripts/install-deps)" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
app=$1 grab=$2 diff=$3 out=$4
suppressions="$(cd "$(dirname "$0")/../support" && pwd)/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}"
# libxkbcommon reads X replies that are not NUL-terminated with strndup().
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"
mkdir -p "$out"

home=$(mktemp -d)
app_pid=
cleanup() {
    [ -z "$app_pid" ] || kill -9 "$app_pid" 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
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

bar_window() { xwininfo -root -tree | awk '/"Meterix": \("meterix"/ {print $1; exit}'; }
bar_geometry() { xwininfo -id "$(bar_window)" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
bar_mapped() { local w; w=$(bar_window); [ -n "$w" ] && xwininfo -id "$w" | grep -q IsViewable; }
log_has() { grep -q "$1" "$home/app.log"; }
geometry_is() { [ "$(bar_geometry)" = "$1" ]; }
# The window reaches lower than the resting bar: the card is open below it.
card_open() { local x y w h; read -r x y w h <<< "$(bar_geometry)"; [ "$y" = "$rest_y" ] && [ "$h" -gt "$rest_h" ]; }

# The window reaches higher than the resting bar: the card is open above it.
card_open_above() {
    local x y w h; read -r x y w h <<< "$(bar_geometry)"
    [ $((y + h)) = $((rest_y + rest_h)) ] && [ "$h" -gt "$rest_h" ]
}

start_app() {
    env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home" \
        LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb \
        QT_LOGGING_RULES="com.meterix.provider.debug=true" \
        "$app" > "$home/app.log" 2>&1 &
    app_pid=$!
    wait_for 30 bar_mapped || fail "the bar never showed"
    wait_for 30 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
    resting=$(bar_geometry)
    read -r rest_x rest_y rest_w rest_h <<< "$resting"
}

stop_app() {
    kill -TERM "$app_pid"
    local status=0
    wait "$app_pid" || status=$?
    app_pid=
    [ $status -eq 0 ] || fail "the app exited with $status on SIGTERM"
}

start_app
[ "$rest_y" -lt 450 ] || fail "the bar does not rest in the upper half ($resting)"
"$grab" "$out/card-closed.png" || fail "no screenshot"

# Claude Code's segment: bleed, grab handle and divider, half a label; the cat's room.
segment_x=$((rest_x + 20 + 23 + 33)) segment_y=$((rest_y + 20 + 20 + 17))
open_card() {
    xdotool mousemove "$segment_x" "$segment_y" click 1
    wait_for 10 card_open || fail "a click on the segment did not open its card ($(bar_geometry))"
}

# 1. Open: the window grows downward around the bar, which stays where it rests.
open_card
read -r x y w h <<< "$(bar_geometry)"
[ "$w" = 358 ] || fail "the window with the card is $w wide, not 318 + 2 x 20"
[ "$x" = $((rest_x - (358 - rest_w) / 2)) ] || fail "the window did not grow evenly around the bar (x $x)"
# Where the card stands (under the bar, inside the window's bleed) its pixels
# change from the screenshot without it; the card fades in, so look until then.
card_area="$((x + 40)) $((y + rest_h + 10)) 278 $((h - rest_h - 40))"
card_drawn() {
    "$grab" "$out/card-open.png" || return 1
    changed=$("$diff" "$out/card-closed.png" "$out/card-open.png" $card_area)
    [ "$changed" -ge 60 ]
}
wait_for 10 card_drawn || fail "only ${changed:-no} % of the card's area changed in the screenshot"
echo "card open: ${w}x${h} at $x,$y; $changed % of its area drawn"

# 2. A second click on the same segment closes it.
xdotool mousemove "$segment_x" "$segment_y" click 1
wait_for 10 geometry_is "$resting" || fail "a second click left the window at $(bar_geometry), not $resting"

# 3. A click elsewhere on the desktop closes it too (seen through XInput 2).
open_card
xdotool mousemove 300 700 click 1
wait_for 10 geometry_is "$resting" || fail "a click elsewhere left the window at $(bar_geometry), not $resting"
"$grab" "$out/card-closed-again.png" || fail "no screenshot"
changed=$("$diff" "$out/card-closed.png" "$out/card-closed-again.png" $((rest_x)) $((rest_y + rest_h)) "$rest_w" 300)
[ "$changed" -le 2 ] || fail "$changed % of the card's area still shows after it closed"

stop_app

# 4. A bar resting near the bottom of the screen opens its card above itself.
mkdir -p "$home/.config/Meterix"
printf '[General]\npanelOriginX=580\npanelOriginY=780\npanelWidth=280\npanelHeight=94\n' \
    > "$home/.config/Meterix/Meterix.conf"
start_app
[ "$rest_y" = 780 ] || fail "the bar did not come back where it was saved ($resting)"
segment_x=$((rest_x + 20 + 23 + 33)) segment_y=$((rest_y + 20 + 20 + 17))
xdotool mousemove "$segment_x" "$segment_y" click 1
wait_for 10 card_open_above || fail "the card did not open above the bar ($(bar_geometry))"
"$grab" "$out/card-open-above.png" || fail "no screenshot"
xdotool mousemove "$segment_x" "$segment_y" click 1
wait_for 10 geometry_is "$resting" || fail "a second click left the window at $(bar_geometry), not $resting"
stop_app
echo "PASS: the card opens below a bar at the top and above a bar at the bottom, and closes on a second click and on a click elsewhere; screenshots in $out"
