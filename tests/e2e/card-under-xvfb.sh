#!/usr/bin/env bash
# End to end: the detail card of the real app on a virtual X display with a
# fixture home. A click on a segment opens its card: the bar's window grows away
# from the bar (below it while the bar rests at the top of the screen, above it
# while the bar rests near the bottom) and the bar stays put, with the card's
# pixels in a screenshot. A second click on the same segment closes it, and so
# does a click elsewhere on the desktop; each time the window returns to the
# bar's resting frame.
#
#   card-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <output folder>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <screen-diff> <output folder>" "$@"
app=$1 grab=$2 diff=$3 out=$4
mkdir -p "$out"
make_home

geometry() { bar_geometry "$(bar_window)"; }
geometry_is() { [ "$(geometry)" = "$1" ]; }
# The window reaches lower than the resting bar: the card is open below it.
card_open_below() { local x y w h; read -r x y w h <<< "$(geometry)"; [ "$y" = "$rest_y" ] && [ "$h" -gt "$rest_h" ]; }
# The window reaches higher than the resting bar: the card is open above it.
card_open_above() {
    local x y w h; read -r x y w h <<< "$(geometry)"
    [ $((y + h)) = $((rest_y + rest_h)) ] && [ "$h" -gt "$rest_h" ]
}

# Starts the app and waits for the bar with Claude Code's reading; notes where
# the bar rests and where Claude Code's segment is (the bleed, the grab handle
# and divider, half a label; the cat's room above the bar).
start_and_settle() {
    start_app
    wait_for "$hang" bar_mapped || fail "the bar never showed"
    wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
    resting=$(geometry)
    read -r rest_x rest_y rest_w rest_h <<< "$resting"
    segment_x=$((rest_x + 20 + 23 + 33)) segment_y=$((rest_y + 20 + 20 + 17))
}
click_segment() { xdotool mousemove "$segment_x" "$segment_y" click 1; }

start_and_settle
[ "$rest_y" -lt 450 ] || fail "the bar does not rest in the upper half ($resting)"
"$grab" "$out/card-closed.png" || fail "no screenshot"

# 1. Open: the window grows downward, evenly around the bar, which stays put.
click_segment
wait_for "$hang" card_open_below || fail "a click on the segment did not open its card below the bar ($(geometry))"
read -r x y w h <<< "$(geometry)"
[ "$w" = 358 ] || fail "the window with the card is $w wide, not 318 + 2 x 20"
[ "$x" = $((rest_x - (358 - rest_w) / 2)) ] || fail "the window did not grow evenly around the bar (x $x)"
# Where the card stands (under the bar, inside the window's bleed) its pixels
# change from the screenshot without it; it fades in, so look until then.
card_area="$((x + 40)) $((y + rest_h + 10)) 278 $((h - rest_h - 40))"
card_drawn() {
    "$grab" "$out/card-open.png" || return 1
    changed=$("$diff" "$out/card-closed.png" "$out/card-open.png" $card_area)
    [ "$changed" -ge 60 ]
}
wait_for "$hang" card_drawn || fail "only ${changed:-no} % of the card's area changed in the screenshot"
echo "card open: ${w}x${h} at $x,$y; $changed % of its area drawn"

# 2. A second click on the same segment closes it.
click_segment
wait_for "$hang" geometry_is "$resting" || fail "a second click left the window at $(geometry), not $resting"

# 3. A click elsewhere on the desktop closes it too (seen through XInput 2).
click_segment
wait_for "$hang" card_open_below || fail "the card did not open again ($(geometry))"
xdotool mousemove 300 700 click 1
wait_for "$hang" geometry_is "$resting" || fail "a click elsewhere left the window at $(geometry), not $resting"
"$grab" "$out/card-closed-again.png" || fail "no screenshot"
changed=$("$diff" "$out/card-closed.png" "$out/card-closed-again.png" "$rest_x" $((rest_y + rest_h)) "$rest_w" 300)
[ "$changed" -le 2 ] || fail "$changed % of the card's area still shows after it closed"
stop_app

# 4. A bar resting near the bottom of the screen opens its card above itself.
mkdir -p "$home/.config/Meterix"
printf '[General]\npanelOriginX=580\npanelOriginY=780\npanelWidth=280\npanelHeight=94\n' \
    > "$home/.config/Meterix/Meterix.conf"
start_and_settle
[ "$rest_y" = 780 ] || fail "the bar did not come back where it was saved ($resting)"
click_segment
wait_for "$hang" card_open_above || fail "the card did not open above the bar ($(geometry))"
"$grab" "$out/card-open-above.png" || fail "no screenshot"
click_segment
wait_for "$hang" geometry_is "$resting" || fail "a second click left the window at $(geometry), not $resting"
stop_app
echo "PASS: the card opens below a bar at the top and above a bar at the bottom, and closes on a second click and on a click elsewhere; screenshots in $out"
