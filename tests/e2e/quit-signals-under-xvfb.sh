#!/usr/bin/env bash
# End to end: the signals that end a program from a terminal (its closing,
# SIGHUP, and Ctrl+\, SIGQUIT) quit the real app as its Quit command does:
# status 0, and a reading filed just before (a click on Claude Code's segment
# selects it, which refreshes it) written to the usage store under the fixture
# home's $XDG_DATA_HOME/Meterix.
#
#   quit-signals-under-xvfb.sh <meterix>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 1 "<meterix>" "$@"
app=$1
make_home

for signal in HUP QUIT; do
    start_app
    wait_for "$hang" bar_mapped || fail "SIG$signal: the bar never showed"
    wait_for "$hang" claude_shown || fail "SIG$signal: no Claude Code reading on the bar"
    read -r x y _ _ <<< "$(bar_geometry "$(bar_window)")"
    # Claude Code's segment: bleed, handle and divider, half a label; the cat's room.
    click_segment() { xdotool mousemove $((x + 20 + 23 + 33)) $((y + 20 + 20 + 17)) click 1; }
    send_signal() { kill -"$signal" "$app_pid"; }
    quit_right_after_a_reading click_segment send_signal
    app_ended "SIG$signal"
    quit_wrote_the_reading
    [ ! -e "$home/run/meterix.sock" ] || fail "SIG$signal: the single-instance socket was left behind"
done
echo "PASS: SIGHUP and SIGQUIT quit with status 0, the reading filed just before saved"
