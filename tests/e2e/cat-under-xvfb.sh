#!/usr/bin/env bash
# End to end: the pixel cat of the real app on a virtual X display. A press on
# the cat and a move 200 px away lift it into the screen-wide overlay, which
# carries it under the pointer; the release puts it back on the bar. The bar
# itself never moves meanwhile, and afterwards it can be dragged again by its
# handle (the cat has given the pointer back).
#
#   cat-under-xvfb.sh <meterix> <screen-grab> <cat-locator> <output folder>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <cat-locator> <output folder>" "$@"
app=$1 grab=$2 locate=$3 out=$4
mkdir -p "$out"
make_home

overlay_window() { xwininfo -root -tree | awk '/"Meterix cat"/ {print $1; exit}'; }
overlay_mapped() { viewable "$(overlay_window)"; }
overlay_gone() { ! overlay_mapped; }
shot() { "$grab" "$out/$1.png" || fail "no screenshot $1"; }

start_app
wait_for 30 bar_mapped || fail "the bar never showed"
wait_for 30 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
bar=$(bar_window)
read -r bx by bw bh <<< "$(bar_geometry "$bar")"
# The bar's window: 20 px of bleed, then the cat's 20 px band, then the capsule.
capsule_top=$((by + 40))

# Resting the pointer on the capsule stops a walking cat, so it can be caught.
xdotool mousemove $((bx + 26)) $((capsule_top + 17))
sleep 0.6
cat_on_bar() { "$locate" "$bx" "$by" "$bw" 44; }
read -r cx cy _ <<< "$(cat_on_bar)" || fail "no cat on the bar"
shot cat-on-bar

# Press on the cat, carry it 200 px away.
xdotool mousemove "$cx" "$cy"
sleep 0.3
xdotool mousedown 1
sleep 0.2
xdotool mousemove $((cx + 100)) $((cy + 100))
sleep 0.1
xdotool mousemove $((cx + 200)) $((cy + 200))
wait_for 5 overlay_mapped || fail "the cat was not lifted into the overlay"
sleep 0.3
shot cat-carried
read -r ox oy _ <<< "$("$locate" $((cx + 170)) $((cy + 170)) 60 60)" || fail "the carried cat is not under the pointer"
[ "$(bar_geometry "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved while the cat was carried"

# Let go: the cat springs back onto the bar and the overlay goes away.
xdotool mouseup 1
wait_for 5 overlay_gone || fail "the overlay stayed after the drop"
sleep 0.3
read -r lx ly _ <<< "$(cat_on_bar)" || fail "the cat is not back on the bar"
shot cat-back-on-bar
[ "$(bar_geometry "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved with the cat's drop"
# Dropped 200 px to the right of where it stood: at the right end of its range.
[ "$lx" -gt "$cx" ] || fail "the cat landed at $lx, not right of where it was lifted ($cx)"

# The bar is its own again: a drag by its handle moves it.
xdotool mousemove $((bx + 26)) $((capsule_top + 17))
sleep 0.2
xdotool mousedown 1
sleep 0.1
xdotool mousemove $((bx + 56)) $((capsule_top + 67))
sleep 0.1
xdotool mousemove $((bx + 76)) $((capsule_top + 117))
sleep 0.2
xdotool mouseup 1
moved() { [ "$(bar_geometry "$bar" | cut -d' ' -f1,2)" = "$((bx + 50)) $((by + 100))" ]; }
wait_for 5 moved || fail "the bar could not be dragged after the cat's carry: $(bar_geometry "$bar")"

stop_app
echo "PASS: cat carried off the bar and back; screenshots in $out"
