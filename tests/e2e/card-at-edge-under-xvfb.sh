#!/usr/bin/env bash
# End to end: the detail card of a bar near the right edge of the screen. The
# bar, dragged so that part of it would lie past the right edge, comes back
# wholly on the screen when it is let go, and is restored there after a
# restart; a bar saved partly past the edge (by an older version) starts whole
# on the screen too. From such a bar a click on Claude Code's segment opens its
# card inside the screen: moved left from under the bar, its pixels all within
# the screen, and the bar stays where it rests. Screenshots in the output
# folder.
#
#   card-at-edge-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <output folder>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <screen-diff> <output folder>" "$@"
app=$1 grab=$2 diff=$3 out=$4
mkdir -p "$out"
make_home

screen_width=1440
geometry() { bar_geometry "$(bar_window)"; }
geometry_is() { [ "$(geometry)" = "$1" ]; }
# The bar's window lies wholly on the screen across.
whole_on_screen() { local x w; read -r x _ w _ <<< "$(geometry)"; [ "$x" -ge 0 ] && [ $((x + w)) -le $screen_width ]; }
# Where the bar rests; Claude Code's segment and the grab handle on it (bleed,
# handle and divider, half a label; the cat's room above the bar).
note_resting_place() {
    resting=$(geometry)
    read -r rest_x rest_y rest_w rest_h <<< "$resting"
    segment_x=$((rest_x + 20 + 23 + 33)) segment_y=$((rest_y + 20 + 20 + 17))
    handle_x=$((rest_x + 20 + 12))
}
start_and_settle() {
    start_app
    wait_for "$hang" bar_mapped || fail "the bar never showed"
    wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
    note_resting_place
}
click_segment() { xdotool mousemove "$segment_x" "$segment_y" click 1; }
card_open() { local h; read -r _ _ _ h <<< "$(geometry)"; [ "$h" -gt "$rest_h" ]; }

# open_card_inside <name>: a click on the segment opens the card; its 318 px
# lie in the screen, 8 px from its right edge (the bar's centre is too near it
# for a card centred under the bar), drawn over what the screenshot without it
# showed there, while the bar's part of the window stays where it rests.
open_card_inside() {
    local name=$1
    "$grab" "$out/$name-closed.png" || fail "no screenshot"
    click_segment
    wait_for "$hang" card_open || fail "$name: a click on the segment did not open its card ($(geometry))"
    local x y w h; read -r x y w h <<< "$(geometry)"
    [ "$y" = "$rest_y" ] || fail "$name: the bar moved from $resting when its card opened ($x $y $w $h)"
    [ $((x + w / 2)) -eq $((rest_x + rest_w / 2)) ] || fail "$name: the window is not centred on the bar (x $x, $w wide)"
    local card_left=$((screen_width - 8 - 318))
    # Below the bar and its gap; the card's corners are round, so its edges a
    # little in.
    card_area="$((card_left + 6)) $((rest_y + rest_h + 4)) $((318 - 12)) $((h - rest_h - 40))"
    card_drawn() {
        "$grab" "$out/$name-open.png" || return 1
        changed=$("$diff" "$out/$name-closed.png" "$out/$name-open.png" $card_area)
        [ "$changed" -ge 60 ]
    }
    wait_for "$hang" card_drawn || fail "$name: only ${changed:-no} % of the area inside the screen where the card belongs changed"
    # Left of it, under the bar's window, nothing of the card.
    local left_of_card
    left_of_card=$("$diff" "$out/$name-closed.png" "$out/$name-open.png" $((card_left - 60)) $((rest_y + rest_h + 20)) 50 200)
    [ "$left_of_card" -le 2 ] || fail "$name: $left_of_card % changed left of where the card belongs"
    echo "$name: card open, window ${w}x${h} at $x,$y; $changed % of the card's place inside the screen drawn"
    click_segment
    wait_for "$hang" geometry_is "$resting" || fail "$name: a second click left the window at $(geometry), not $resting"
}

# 1. Dragged towards the right edge until a third of the bar would lie past it.
start_and_settle
whole_on_screen || fail "the bar does not start on the screen ($resting)"
past=$((screen_width - rest_w * 2 / 3))
xdotool mousemove "$handle_x" "$segment_y" mousedown 1
for step in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((handle_x + (past - rest_x) * step / 10)) "$segment_y"
done
dragged_past() { local x; read -r x _ _ _ <<< "$(geometry)"; [ "$x" -gt $((screen_width - rest_w)) ]; }
wait_for "$hang" dragged_past || fail "the bar did not follow the pointer past the edge ($(geometry))"
"$grab" "$out/edge-dragged.png" || fail "no screenshot"
xdotool mouseup 1
settled() { whole_on_screen && read -r x _ _ _ <<< "$(geometry)" && [ "$x" -gt 1000 ]; }
wait_for "$hang" settled || fail "let go past the right edge, the bar stays at $(geometry)"
note_resting_place
[ $((rest_x + rest_w)) = $screen_width ] || fail "the bar was not brought just inside the right edge ($resting)"
open_card_inside edge-dragged
stop_app

# 2. Restored there after a restart.
start_and_settle
[ $((rest_x + rest_w)) = $screen_width ] || fail "after a restart the bar rests at $resting, not at the right edge"
open_card_inside edge-restarted
stop_app

# 3. Saved with its right half and more past the edge (its centre still on
# the screen): it starts whole on the screen.
printf '[General]\npanelOriginX=1250\npanelOriginY=300\npanelWidth=280\npanelHeight=94\n' \
    > "$home/.config/Meterix/Meterix.conf"
start_and_settle
[ "$resting" = "$((screen_width - 280)) 300 280 94" ] || fail "a bar saved partly past the edge starts at $resting"
open_card_inside edge-saved-past
stop_app
echo "PASS: a bar at the right edge stays whole on the screen and opens its card inside it; screenshots in $out"
