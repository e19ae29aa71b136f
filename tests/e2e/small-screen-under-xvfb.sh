#!/usr/bin/env bash
# End to end on a small screen: 960 x 540, as a 1920 x 1080 display at twice
# the scale gives it, with every provider on the bar. The bar lies wholly on
# the screen with its segments compact, and a click on each segment, the last
# one included, opens that provider's card. Resting high the card opens below
# the bar, resting low above it, and in the middle on the side with more room;
# the bar never moves when a card opens or closes. The status-item panel,
# opened by a second start, lies with its whole card on the screen.
# Screenshots in the output folder.
#
#   small-screen-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <output folder>
set -euo pipefail

screen_size=960x540
source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <screen-diff> <output folder>" "$@"
app=$1 grab=$2 diff=$3 out=$4
mkdir -p "$out"
make_home
screen_width=960 screen_height=540
settings="$home/.config/Meterix/Meterix.conf"
providers=(claude codex agy cursor copilot deepseek openrouter groq ollama mistral kimi elevenlabs windsurf zed)
every=$(printf '\\"%s\\",' "${providers[@]}")
# settings_with [<saved bar frame>]: every provider on the bar, the bar saved
# at x y width height when given.
settings_with() {
    mkdir -p "$(dirname "$settings")"
    printf '[General]\nhasCustomizedProviders=true\nenabledProvidersJSON="[%s]"\n' "${every%,}" > "$settings"
    if [ $# -eq 4 ]; then
        printf 'panelOriginX=%s\npanelOriginY=%s\npanelWidth=%s\npanelHeight=%s\n' "$@" >> "$settings"
    fi
}

geometry() { bar_geometry "$(bar_window)"; }
# settle <command>: waits until what the command prints is the same twice in a
# row, a tenth of a second apart (a window done sliding and resizing).
settle() {
    local last= now
    same_twice() { now=$("$@"); [ "$now" = "$last" ] || { last=$now; return 1; }; }
    wait_for 10 same_twice "$@"
}
geometry_is() { [ "$(geometry)" = "$1" ]; }
# Compact segments: the bleed, the handle and divider, then 33 px a segment;
# the middle of segment <n> (from 0), 17 px under the cat's room.
segment_x() { echo $((rest_x + 20 + 23 + 14 + 33 * $1)); }
segment_y() { echo $((rest_y + 20 + 20 + 17)); }
start_and_settle() {
    start_app
    wait_for 30 bar_mapped || fail "the bar never showed"
    wait_for 60 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
    settle geometry || fail "the bar never came to rest"
    resting=$(geometry)
    read -r rest_x rest_y rest_w rest_h <<< "$resting"
}
card_open() { local h; read -r _ _ _ h <<< "$(geometry)"; [ "$h" -gt "$rest_h" ]; }

# open_card <name> <segment> <downward|upward>: a click on the segment opens
# its card on that side, the bar's part of the window where it rests and the
# card within the screen; a second click closes it and the window is the bar
# again.
open_card() {
    local name=$1 segment=$2 side=$3 x y w h card_top
    "$grab" "$out/small-$name-closed.png" || fail "no screenshot"
    xdotool mousemove "$(segment_x "$segment")" "$(segment_y)" click 1
    wait_for 10 card_open || fail "$name: a click on segment $segment did not open its card ($(geometry))"
    settle geometry || fail "$name: the window never came to rest with the card open"
    read -r x y w h <<< "$(geometry)"
    [ $((x + w / 2)) -eq $((rest_x + rest_w / 2)) ] || fail "$name: the window is not centred on the bar ($x $y $w $h)"
    if [ "$side" = downward ]; then
        [ "$y" = "$rest_y" ] || fail "$name: the bar moved from $resting when its card opened below ($x $y $w $h)"
        [ $((y + h - 20)) -le $screen_height ] || fail "$name: the card ends below the screen ($x $y $w $h)"
    else
        [ $((y + h)) = $((rest_y + rest_h)) ] ||
            fail "$name: the bar moved from $resting when its card opened above ($x $y $w $h)"
        [ $((y + 20)) -ge 0 ] || fail "$name: the card begins above the screen ($x $y $w $h)"
    fi
    # Drawn where it belongs (its middle, clear of the rounded corners), which
    # also means the window has taken its new shape for the click that closes it.
    [ "$side" = downward ] && card_top=$((y + rest_h)) || card_top=$((y + 20))
    card_drawn() {
        "$grab" "$out/small-$name.png" || return 1
        changed=$("$diff" "$out/small-$name-closed.png" "$out/small-$name.png" $((x + w / 2 - 140)) \
            $((card_top + 10)) 280 $((h - rest_h - 50)))
        [ "$changed" -ge 60 ]
    }
    wait_for 10 card_drawn || fail "$name: only ${changed:-no} % of the card's place was drawn"
    echo "$name: segment $segment's card open $side, window ${w}x${h} at $x,$y; the bar at $resting"
    xdotool mousemove "$(segment_x "$segment")" "$(segment_y)" click 1
    wait_for 10 geometry_is "$resting" || fail "$name: closing the card left the window at $(geometry), not $resting"
}

# 1. First start: centred at the top, every segment on the screen.
settings_with
start_and_settle
[ "$rest_x" -ge 0 ] && [ $((rest_x + rest_w)) -le $screen_width ] ||
    fail "the bar of ${#providers[@]} providers runs off the screen ($resting)"
last=$((${#providers[@]} - 1))
[ "$(segment_x "$last")" -lt $((rest_x + rest_w - 20)) ] || fail "the last segment lies beyond the bar ($resting)"
"$grab" "$out/small-bar.png" || fail "no screenshot"
open_card top-first 0 downward
open_card top-last "$last" downward
stop_app

# 2. Resting low: the cards open above it.
settings_with "$rest_x" 430 "$rest_w" "$rest_h"
start_and_settle
[ "$rest_y" = 430 ] || fail "the bar saved low rests at $resting"
open_card bottom-first 0 upward
open_card bottom-last "$last" upward
stop_app

# 3. In the middle, where a card fits on neither side: it takes the roomier
# one (here, 2 px more below), shortened to the room there.
settings_with "$rest_x" 222 "$rest_w" "$rest_h"
start_and_settle
open_card middle 0 downward
stop_app

# 4. The status-item panel, from a second start: its card within the screen.
settings_with
start_and_settle
"$grab" "$out/small-panel-closed.png" || fail "no screenshot"
run_app > "$home/second.log" 2>&1 || fail "the second start failed: $(cat "$home/second.log")"
panel_window() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
panel_open() { viewable "$(panel_window)"; }
panel_geometry() { geometry_of "$(panel_window)"; }
wait_for 10 panel_open || fail "a second start did not open the panel"
# The card, 18 px inside the window, lies on the screen once the panel has
# slid in: its top 6 px under the top-right corner it hangs from, its bottom
# 8 px above the screen's, its scrolling area shortened to that (a full
# overview is taller).
panel_in_place() {
    read -r px py pw ph <<< "$(panel_geometry)"
    [ $((px + pw - 18)) = $((screen_width - 8)) ] && [ $((py + 18)) = 6 ] &&
        [ $((py + ph - 18)) = $((screen_height - 8)) ]
}
wait_for 10 panel_in_place || fail "the panel's card does not lie on the screen ($(panel_geometry))"
card_drawn() {
    "$grab" "$out/small-panel.png" || return 1
    changed=$("$diff" "$out/small-panel-closed.png" "$out/small-panel.png" $((px + 24)) $((py + 24)) $((pw - 48)) \
        $((ph - 48)))
    [ "$changed" -ge 60 ]
}
wait_for 10 card_drawn || fail "only ${changed:-no} % of the panel's card was drawn"
echo "panel: $px $py $pw $ph, $changed % of its card drawn"
stop_app
echo "PASS: on a 960x540 screen every segment is reachable, cards never move the bar and the panel stays on the screen; screenshots in $out"
