#!/usr/bin/env bash
# End to end: the status-item panel of the real app on a virtual X display with
# a fixture home. Beside a tray host, a click on the tray icon opens the panel
# (a screenshot shows it), Escape closes it, a click on the icon opens it again
# and a click elsewhere on the desktop closes it, a second start opens it where
# the icon's click does, and Ctrl+Q from the open panel
# quits the app, writing out at once a reading filed just before (which the
# usage store would otherwise write only later). Without a tray, starting meterix a
# second time opens the first one's panel and the second start ends at once
# with status 0; a third start closes it again.
#
#   panel-under-xvfb.sh <meterix> <screen-grab> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 3 "<meterix> <screen-grab> <output folder>" "$@"
app=$1 grab=$2 out=$3
mkdir -p "$out"
# Claude Code with a cached reading (70 % left), Codex and Cursor installed.
make_home

panel_closed() { ! panel_open; }

start_panel_app() {
    start_app
    wait_for "$hang" bar_mapped || fail "the bar never showed"
    wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
}

# 1. Beside a tray host.
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true > /dev/null 2>&1 &
tray_pid=$!
pids+=("$tray_pid")
wait_for "$hang" sh -c 'xwininfo -root -tree | grep -q trayer' || fail "trayer did not start"
start_panel_app
tray_window=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ {print $1; exit}')
icon_window() { xwininfo -tree -id "$tray_window" | awk '/"Meterix"/ {print $1; exit}'; }
wait_for "$hang" sh -c "xwininfo -tree -id $tray_window | grep -q Meterix" || fail "the status item never docked"
read -r ix iy iw ih <<< "$(geometry_of "$(icon_window)")"
# Two presses on the same spot in quick succession are a double click, which the
# status item leaves alone: successive clicks land on alternate halves of the
# icon, farther apart than a double click may be.
side=-1
click_icon() {
    side=$((-side))
    xdotool mousemove $((ix + iw / 2 + side * iw / 4)) $((iy + ih / 2)) click 1
}

click_icon
wait_for "$hang" panel_open || fail "a click on the tray icon did not open the panel"
# Under the icon at the bottom right: the card kept 8 pt inside the screen's
# right and bottom edges (the panel's 18 pt margin reaching 10 pt beyond them),
# once it has slid in and followed its content's height. Without a window
# manager no work area leaves the tray out of the screen.
panel_ends_at() {
    local x y w h; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    [ "$w" = 372 ] && [ $((x + w)) = "$1" ] && [ $((y + h)) = "$2" ]
}
wait_for "$hang" panel_ends_at 1450 910 || fail "the panel is at $(geometry_of "$(panel_window)"), not ending at 1450,910"
"$grab" "$out/panel-with-tray.png" || fail "no screenshot"
xprop -id "$(panel_window)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "the panel is not kept above"

xdotool key Escape
wait_for "$hang" panel_closed || fail "Escape did not close the panel"

click_icon
wait_for "$hang" panel_open || fail "a second click on the tray icon did not open the panel"
xdotool mousemove 300 400 click 1
wait_for "$hang" panel_closed || fail "a click elsewhere did not close the panel"

# A second start beside the tray opens the panel where the icon's click does.
run_app > "$home/second.log" 2>&1 || fail "the second start failed: $(cat "$home/second.log")"
wait_for "$hang" panel_ends_at 1450 910 || fail "a second start opened the panel at $(geometry_of "$(panel_window)")"
xdotool key Escape
wait_for "$hang" panel_closed || fail "Escape did not close the panel of a second start"

# Ctrl+Q from the open panel quits with the stores flushed: a reading that
# Ctrl+R has filed just before is on disk.
click_icon
wait_for "$hang" panel_open || fail "the panel did not open for Ctrl+Q"
refresh_all() { xdotool key ctrl+r; }
quit_by_ctrl_q() { xdotool key ctrl+q; }
quit_right_after_a_reading refresh_all quit_by_ctrl_q
app_ended Ctrl+Q
quit_wrote_the_reading
kill -9 "$tray_pid"
wait "$tray_pid" 2>/dev/null || true
wait_for "$hang" sh -c '! xwininfo -root -tree | grep -q trayer'

# 2. Without a tray: a second start toggles the first one's panel.
start_panel_app
# Runs in the foreground: the test goes on only once the second start has ended.
second_start() {
    local status=0
    run_app > "$home/second.log" 2>&1 || status=$?
    [ $status -eq 0 ] || fail "the second start exited with $status: $(cat "$home/second.log")"
}
second_start
wait_for "$hang" panel_open || fail "a second start did not open the first one's panel"
[ "$(xwininfo -root -tree | grep -c '"Meterix": ("meterix"')" = 1 ] || fail "a second bar came up"
# No icon to hang from: the top right of the screen under the pointer, the card
# 6 pt below the top.
panel_starts_at() {
    local x y w h; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    [ $((x + w)) = "$1" ] && [ "$y" = "$2" ]
}
wait_for "$hang" panel_starts_at 1450 -12 || fail "without a tray the panel is at $(geometry_of "$(panel_window)")"
"$grab" "$out/panel-without-tray.png" || fail "no screenshot"
second_start
wait_for "$hang" panel_closed || fail "a third start did not close the panel"
stop_app
echo "PASS: the status-item panel under Xvfb with and without a tray; screenshots in $out"
