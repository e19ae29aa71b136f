#!/usr/bin/env bash
# End to end: the real app used by keyboard alone on a virtual X display with a
# fixture home, the keys typed as the desktop types them. The panel, opened by
# a second start, is driven from the overview to a provider's screen and back
# (Tab to Claude Code's row, Enter; Enter on the back button), each screen read
# as a screen reader reads it and the focus ring seen in a screenshot; Escape
# closes it. A click on a segment opens its card, and Escape closes the card.
#
#   keyboard-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 diff=$3 texts=$4 out=$5
mkdir -p "$out"
make_home
start_a11y_bus

panel_closed() { ! panel_open; }
# read_texts <name>: what the app shows and speaks now, kept as <out>/<name>.txt.
read_texts() { "$texts" Meterix > "$out/$1.txt" 2> "$home/texts.log"; }
reads() { read_texts "$1" && grep -qF "$2" "$out/$1.txt"; }
reads_not() { read_texts "$1" && ! grep -qF "$2" "$out/$1.txt"; }
# shot <name>: a screenshot, kept as <out>/keyboard-<name>.png.
shot() { "$grab" "$out/keyboard-$1.png" || fail "no screenshot"; }

start_app
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
read -r rest_x rest_y rest_w rest_h <<< "$(bar_geometry "$(bar_window)")"

# 1. The panel by keyboard alone.
run_app > "$home/second.log" 2>&1 || fail "the second start failed: $(cat "$home/second.log")"
wait_for "$hang" panel_open || fail "a second start did not open the panel"
wait_for "$hang" reads overview "Quit Meterix" || fail "the overview was not read: $(cat "$home/texts.log")"
# The overview once the panel has come to rest (two screenshots in a row agree
# over its window), and where Claude Code's row is then.
panel_at_rest() {
    local x y w h; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    "$grab" "$home/now.png" || return 1
    if [ -f "$home/last.png" ] && [ "$("$diff" "$home/last.png" "$home/now.png" "$x" "$y" "$w" "$h")" = 0 ]; then
        mv "$home/now.png" "$out/keyboard-overview.png"
        return 0
    fi
    mv "$home/now.png" "$home/last.png"
    return 1
}
wait_for "$hang" panel_at_rest || fail "the panel never came to rest"
read_texts overview || fail "the overview was not read: $(cat "$home/texts.log")"
read -r rx ry rw _ <<< "$(awk -F'\t' '$2 == "push button" && $3 ~ /^Claude Code, / {print $1; exit}' "$out/overview.txt")"
[ -n "${rw:-}" ] || fail "Claude Code's row was not read: $(cat "$out/overview.txt")"
xdotool key Tab # Claude Code's row, the first control
# The ring along the top of Claude Code's row (its box as the screen reader has it).
ring_drawn() {
    shot overview-focused
    changed=$("$diff" "$out/keyboard-overview.png" "$out/keyboard-overview-focused.png" $((rx + 12)) "$ry" $((rw - 24)) 2) &&
        [ "$changed" -ge 80 ]
}
wait_for "$hang" ring_drawn || fail "Tab drew no ring on Claude Code's row (${changed:-?} % of its top edge changed)"
xdotool key Return
wait_for "$hang" reads provider "Claude Code screen" || fail "Enter on Claude Code's row did not open its screen: $(cat "$out/provider.txt")"
sleep 0.5 # the slide
shot provider
xdotool key Return # the back button has focus
wait_for "$hang" reads_not back "Claude Code screen" || fail "Enter on the back button did not return to the overview"
wait_for "$hang" reads back "Quit Meterix" || fail "the overview did not come back"
sleep 0.5
shot back
xdotool key Down Down Up # through the rows and back to the first
xdotool key Escape
wait_for "$hang" panel_closed || fail "Escape did not close the panel"

# 2. Escape closes the card: a click on Claude Code's segment (the bleed, the
# grab handle and divider, half a label; the cat's room above the bar) opens it.
card_open() { local h; read -r _ _ _ h <<< "$(bar_geometry "$(bar_window)")"; [ "$h" -gt "$rest_h" ]; }
card_closed() { [ "$(bar_geometry "$(bar_window)")" = "$rest_x $rest_y $rest_w $rest_h" ]; }
xdotool mousemove $((rest_x + 20 + 23 + 33)) $((rest_y + 20 + 20 + 17)) click 1
wait_for "$hang" card_open || fail "a click on the segment did not open its card"
sleep 0.5 # it fades in
shot card
xdotool mousemove 700 800 # the pointer away from the card: the key alone closes it
xdotool key Escape
wait_for "$hang" card_closed || fail "Escape did not close the card ($(bar_geometry "$(bar_window)"))"
shot card-closed
stop_app
echo "PASS: the panel and the card by keyboard alone; screenshots in $out"
