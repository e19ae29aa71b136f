#!/usr/bin/env bash
# End to end: the real app on a virtual X display with a fixture home, once
# beside a system tray and once without one. The bar must come up at the top
# centre with one segment per fixture provider, carry the window hints that
# keep it on every workspace and out of the taskbar, live through the tray
# going away, take clicks on its segments and let go of a selection on a click
# elsewhere, and quit cleanly on SIGTERM, writing out at once a reading filed
# just before (which the usage store would otherwise write only later).
#
#   bar-under-xvfb.sh <meterix> <screen-grab> <output folder>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 3 "<meterix> <screen-grab> <output folder>" "$@"
app=$1 grab=$2 out=$3
mkdir -p "$out"
make_home

# Every wait below is for a condition of the app's, with a deadline for a
# machine busy with much else; none of them is a fixed pause.
# The bar is shown with three segments (27.5 + 3 x 71 wide) and the 20 px
# bleed on each side, the cat's 20 px of room above it, at the top centre,
# once the window has taken the size its content reports.
bar_placed() {
    local w; w=$(bar_window)
    viewable "$w" && read -r x y width height <<< "$(bar_geometry "$w")" &&
        [ "$width" = 280 ] && [ "$height" = 94 ] && [ "$x" = $(((1440 - 280) / 2)) ] && [ "$y" = 4 ]
}
check_bar() {
    local label=$1
    wait_for "$hang" bar_mapped || fail "$label: the bar never showed"
    wait_for "$hang" claude_shown || fail "$label: no Claude Code reading on the bar"
    wait_for "$hang" bar_placed || fail "$label: bar is ${width:-?}x${height:-?} at ${x:-?},${y:-?}, not 280x94 at the top centre"
    local w; w=$(bar_window)
    local state; state=$(xprop -id "$w" _NET_WM_STATE)
    for s in SKIP_TASKBAR SKIP_PAGER STICKY ABOVE; do
        grep -q "_NET_WM_STATE_$s" <<< "$state" || fail "$label: _NET_WM_STATE lacks $s ($state)"
    done
    xprop -id "$w" _NET_WM_DESKTOP | grep -q "= 4294967295" || fail "$label: not on every workspace"
    xprop -id "$w" WM_HINTS | grep -qi "input.*False" || fail "$label: the bar would take keyboard focus"
}

# Where the bar rests (set once it is up) and where Claude Code's segment is on
# it: bleed, insets, half a label; the cat's room above the bar. The selected
# provider's card grows the window; letting go brings it back.
note_resting_place() {
    resting=$(bar_geometry "$(bar_window)")
    local x y; read -r x y _ _ <<< "$resting"
    segment_x=$((x + 20 + 23 + 33)) segment_y=$((y + 20 + 20 + 17))
}
card_open() { [ "$(bar_geometry "$(bar_window)")" != "$resting" ]; }
at_rest() { [ "$(bar_geometry "$(bar_window)")" = "$resting" ]; }
click_segment() { xdotool mousemove "$segment_x" "$segment_y" click 1; }

# 1. Beside a tray host: the status item docks, and the tray's loss is survived.
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true > /dev/null 2>&1 &
tray_pid=$!
pids+=("$tray_pid")
wait_for "$hang" sh -c 'xwininfo -root -tree | grep -q trayer' || fail "trayer did not start"
start_app
check_bar "with a tray"
tray_window=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ {print $1; exit}')
wait_for "$hang" sh -c "xwininfo -tree -id $tray_window | grep -q Meterix" || fail "the status item never docked"
"$grab" "$out/bar-with-tray.png" || fail "no screenshot"
kill -9 "$tray_pid"
wait "$tray_pid" 2>/dev/null || true
# The tray's window is gone; the app must still be there with its bar.
wait_for "$hang" sh -c '! xwininfo -root -tree | grep -q trayer' || fail "the tray's window stayed after it was killed"
kill -0 "$app_pid" 2>/dev/null || fail "the app died with the tray"
wait_for "$hang" bar_placed || fail "the bar went away with the tray, or from its place"
# The app goes on answering clicks, which reach it after the news of the tray's
# loss; and SIGTERM quits it with its stores flushed: a reading filed just
# before (a click on Claude Code's segment selects it, which refreshes it) is
# on disk.
note_resting_place
# Each selection of Claude Code refreshes it: its card is closed first, then a
# click on its segment selects it (and opens the card).
card_closed() {
    if card_open; then
        click_segment
        wait_for "$hang" at_rest || fail "a second click on the segment did not close its card"
    fi
}
quit_right_after_a_reading click_segment terminate_app card_closed
app_ended SIGTERM
quit_wrote_the_reading

# 2. Without a tray: the bar alone, back where it was saved. A click on a
# segment selects it (which refreshes that provider at once), a click elsewhere
# on the desktop lets go of it (seen through XInput 2), so the next click on the
# segment selects it again instead of letting go.
start_app
check_bar "without a tray"
note_resting_place
# The bar never takes focus, yet a pointer resting on a segment shows its
# tooltip: one more window of the app is mapped.
app_windows() { xdotool search --onlyvisible --class meterix 2>/dev/null | wc -l; }
windows_before=$(app_windows)
xdotool mousemove "$segment_x" "$segment_y"
tooltip_shown() { [ "$(app_windows)" -gt "$windows_before" ]; }
wait_for "$hang" tooltip_shown || fail "a pointer resting on a segment showed no tooltip"
# Each selection refreshes Claude Code anew: its cache takes a new figure,
# which the segment shows once the selection has read it. A fetch still under
# way with the old cache (the start's, a poll's) would take the selection's
# place, so each click waits for it to end.
new_figure() {
    figure=$((${figure:-60} - 1))
    claude_cache_left "$figure"
    wait_for "$hang" old_claude_cache_let_go || fail "a fetch of Claude Code never ended"
}
new_figure
click_segment
wait_for "$hang" card_open || fail "a click on the segment did not select it: the card did not open"
wait_for "$hang" claude_shows "$figure" || fail "the selection did not refresh Claude Code"
# The raw press is read on its own connection: wait until it has reached the app.
xdotool mousemove 300 600 click 1
wait_for "$hang" at_rest || fail "a click elsewhere did not close the card"
new_figure
click_segment
wait_for "$hang" card_open || fail "a click elsewhere did not let go of the selection: the card did not open"
wait_for "$hang" claude_shows "$figure" || fail "the second selection did not refresh Claude Code"
"$grab" "$out/bar-without-tray.png" || fail "no screenshot"
stop_app
echo "PASS: bar under Xvfb with and without a tray; screenshots in $out"
