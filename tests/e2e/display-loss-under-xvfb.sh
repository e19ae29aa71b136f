#!/usr/bin/env bash
# End to end: the X server goes away under the real app. The app must end by
# itself with status 0, without Qt's complaint about the broken connection,
# having done what a normal quit does: a reading filed just before the server
# went (a click on Claude Code's segment selects it, which refreshes it) is in
# the usage store, and the single-instance socket and lock are gone from the
# runtime folder.
#
#   display-loss-under-xvfb.sh <meterix>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 1 "<meterix>" "$@"
app=$1
make_home

start_app
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
[ -S "$home/run/meterix.sock" ] && [ -e "$home/run/meterix.lock" ] ||
    fail "the single-instance socket and lock are not in the runtime folder: $(ls -A "$home/run")"

read -r x y _ _ <<< "$(bar_geometry "$(bar_window)")"
# Claude Code's segment: bleed, handle and divider, half a label; the cat's room.
click_segment() { xdotool mousemove $((x + 20 + 23 + 33)) $((y + 20 + 20 + 17)) click 1; }
# The server is stopped as a machine's display server is: the app's connection
# breaks with nothing said to it first.
lose_display() {
    kill -TERM "$display_pid"
    wait "$display_pid" 2>/dev/null || true
}
# The first selection opens the card; the refresh it asks for files the figure,
# and the server goes at once.
quit_right_after_a_reading click_segment lose_display

status=0
wait "$app_pid" || status=$?
[ "$status" = 0 ] || fail "the app ended with status $status when its display went away"
if log_has "X11 connection broke"; then fail "Qt's message on the broken connection was shown"; fi
log_has "connection to the display was lost" || fail "the app did not say why it ended"
[ ! -e "$home/run/meterix.sock" ] || fail "the single-instance socket was left behind"
[ ! -e "$home/run/meterix.lock" ] || fail "the single-instance lock was left behind"
quit_wrote_the_reading
echo "PASS: losing the display ends the app with status 0, the reading filed just before saved, no socket or lock left"
