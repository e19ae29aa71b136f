#!/usr/bin/env bash
# End to end on a 960 x 540 screen (a 1920 x 1080 display at twice the scale)
# with every provider on the bar: the bar lies on the screen, its segments
# snug with their figures, and the last segment opens its card; high on the screen the card
# opens below the bar, low on it above, in the middle (room on neither side) it
# is shortened to the room below; the bar never moves. There Antigravity's card,
# with many quotas, lies on the screen with its buttons (a screenshot shows them
# and the thumb of the part that scrolls). The panel of a second start lies
# with its card on the screen. Screenshots in the output folder.
#
#   small-screen-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <output folder>
set -euo pipefail
screen_size=960x540
source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <screen-diff> <output folder>" "$@"
app=$1 grab=$2 diff=$3 out=$4
mkdir -p "$out"
make_home
# A stand-in Antigravity client that reads six quotas.
mkdir -p "$home/.local/bin"
cat > "$home/.local/bin/agy" <<'AGY'
#!/bin/sh
printf 'Gemini Models\tFive Hour Limit Remaining\t64%%\n'
printf 'Gemini Models\tWeekly Limit Remaining\t71%%\n'
printf 'Claude and GPT models\tFive Hour Limit Remaining\t52%%\n'
printf 'Claude and GPT models\tWeekly Limit Remaining\t48%%\n'
printf 'Gemini Image\tFive Hour Limit Remaining\t90%%\n'
printf 'Gemini Image\tWeekly Limit Remaining\t85%%\n'
AGY
chmod 755 "$home/.local/bin/agy"
every=$(printf '\\"%s\\",' claude codex agy cursor copilot deepseek openrouter groq ollama mistral kimi elevenlabs \
    windsurf zed)
# start_at [<y>]: every provider on the bar, saved at that height (else first
# placed); waits for the bar to rest: the same place twice, 0.1 s apart.
start_at() {
    mkdir -p "$home/.config/Meterix"
    printf '[General]\nhasCustomizedProviders=true\nenabledProvidersJSON="[%s]"\n%b' "${every%,}" \
        "${1:+panelOriginX=12\npanelOriginY=$1\npanelWidth=935\npanelHeight=94\n}" > "$home/.config/Meterix/Meterix.conf"
    start_app
    wait_for "$hang" bar_mapped || fail "the bar never showed"
    wait_for 60 claude_shown || fail "no Claude Code reading on the bar"
    settle geometry || fail "the bar never came to rest"
    resting=$(geometry) && read -r rest_x rest_y rest_w rest_h <<< "$resting"
}
geometry() { bar_geometry "$(bar_window)"; }
settle() { local last= now; same() { now=$("$@"); [ "$now" = "$last" ] || { last=$now; return 1; }; }; wait_for "$hang" same "$@"; }
# settle_long <command>: as settle, but the same answer for a second on end: the
# reading a card's opening asks for lays the card out anew when it comes.
settle_long() {
    local last= now runs=0
    steady() { now=$("$@"); if [ "$now" = "$last" ]; then runs=$((runs + 1)); else last=$now; runs=0; fi; [ $runs -ge 10 ]; }
    wait_for "$hang" steady "$@"
}
is_resting() { [ "$(geometry)" = "$resting" ]; }
card_open() { local h; read -r _ _ _ h <<< "$(geometry)"; [ "$h" -gt "$rest_h" ]; }
# The last of 14 snug segments (bleed, handle and divider, then 62 px each).
click_last() { xdotool mousemove $((rest_x + 20 + 24 + 28 + 62 * 13)) $((rest_y + 57)) click 1; }

# open_card <name> <downward|upward>: the last segment's card opens on that
# side, drawn within the screen, the bar's part of the window where it rests;
# a second click closes it.
open_card() {
    local x y w top # h stays: the caller may look at the window's height
    "$grab" "$out/small-$1-closed.png" && click_last
    wait_for "$hang" card_open && settle_long geometry || fail "$1: no card opened ($(geometry))"
    read -r x y w h <<< "$(geometry)"
    if [ "$2" = downward ]; then top=$((y + rest_h)); [ "$y" = "$rest_y" ] && [ $((y + h - 20)) -le 540 ]
    else top=$((y + 20)); [ $((y + h)) = $((rest_y + rest_h)) ] && [ "$y" -ge -20 ]; fi ||
        fail "$1: the card does not open $2 within the screen with the bar at $resting ($x $y $w $h)"
    drawn() {
        "$grab" "$out/small-$1.png" && changed=$("$diff" "$out/small-$1-closed.png" "$out/small-$1.png" \
            $((x + w / 2 - 140)) $((top + 10)) 280 $((h - rest_h - 50))) && [ "$changed" -ge 60 ]
    }
    wait_for "$hang" drawn "$1" || fail "$1: only ${changed:-no} % of the card's place was drawn"
    echo "$1: card open $2, window $w x $h at $x,$y; the bar at $resting"
    click_last
    wait_for "$hang" is_resting || fail "$1: closing the card left the window at $(geometry), not $resting"
}

start_at
[ "$rest_x" -ge 0 ] && [ $((rest_x + rest_w)) -le 960 ] && [ "$rest_w" = 935 ] ||
    fail "the bar of 14 snug segments is not on the screen ($resting)"
open_card top downward
stop_app
start_at 430
open_card bottom upward
stop_app
start_at 222
open_card middle downward
[ "$h" = $((540 - (rest_y - 20))) ] || fail "the card in the middle was not shortened to the room below (height $h)"
# Antigravity's card, the third segment, shortened the same: on the screen,
# its buttons at its foot.
wait_for 90 figure_shown "Antigravity" || fail "no Antigravity reading on the bar"
xdotool mousemove $((rest_x + 20 + 24 + 28 + 62 * 2)) $((rest_y + 57)) click 1
wait_for "$hang" card_open && settle geometry || fail "no Antigravity card opened ($(geometry))"
read -r x y w h <<< "$(geometry)"
[ "$y" -ge 0 ] && [ $((y + h - 20)) -le 540 ] || fail "Antigravity's card does not lie on the screen ($x $y $w $h)"
sleep 0.5 # it fades in
"$grab" "$out/small-agy.png"
xdotool mousemove $((rest_x + 20 + 24 + 28 + 62 * 2)) $((rest_y + 57)) click 1
wait_for "$hang" is_resting || fail "closing Antigravity's card left the window at $(geometry)"

# A second start opens the panel: its card (18 px inside the window) 6 px under
# the top-right corner and 8 px above the bottom, its scrolling area shortened.
"$grab" "$out/small-panel-closed.png"
run_app > "$home/second.log" 2>&1 || fail "the second start failed: $(cat "$home/second.log")"
panel() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
in_place() {
    viewable "$(panel)" && read -r px py pw ph <<< "$(geometry_of "$(panel)")" &&
        [ $((px + pw)) = 970 ] && [ "$py" = -12 ] && [ $((py + ph)) = 550 ]
}
wait_for "$hang" in_place || fail "the panel's card does not lie on the screen (${px:-} ${py:-} ${pw:-} ${ph:-})"
drawn() {
    "$grab" "$out/small-panel.png" && changed=$("$diff" "$out/small-panel-closed.png" "$out/small-panel.png" \
        $((px + 24)) 12 $((pw - 48)) $((ph - 48))) && [ "$changed" -ge 60 ]
}
wait_for "$hang" drawn || fail "only ${changed:-no} % of the panel's card was drawn"
stop_app
echo "PASS: a full bar on a 960x540 screen; screenshots in $out"
