#!/usr/bin/env bash
# End to end: the pixel cat of the real app on a virtual X display. It walks
# head first. A press on the cat and a move 200 px away lift it into the
# screen-wide overlay, which carries it under the pointer; the release puts it
# back on the bar. The bar itself never moves meanwhile, and afterwards it can
# be dragged again by its handle (the cat has given the pointer back).
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
wait_for 60 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
bar=$(bar_window)
read -r bx by bw bh <<< "$(bar_geometry "$bar")"
# The bar's window: 20 px of bleed, then the cat's 20 px band, then the capsule.
capsule_top=$((by + 40))

# Every wait is for a condition, with a deadline for a machine busy with much else.
# Three looks at the cat a frame tick apart (one call of the locator, so they
# stay that close however slowly the machine starts programs): x, y and the
# eyes' x of each in x1..x3, y1..y3, e1..e3 (x -9 where no cat is seen).
look_thrice() {
    local looks
    looks=$("$locate" --looks 3 "$bx" "$by" "$bw" 44 "$@") || true
    { read -r x1 y1 _ e1; read -r x2 y2 _ e2; read -r x3 y3 _ e3; } <<< "$looks"
    [ -n "$x3" ] && [ "$x1" != none ] && [ "$x2" != none ] && [ "$x3" != none ] || { x1=-9 x2=-9 x3=-9; return 1; }
}
# The cat stands still on the bar: three looks find it within a pixel of the
# same place (its poses move the centre of its pixels that much; a walk goes
# 3 px a tick). Its place is then in cx and cy.
near_one() { [ $((($1 - $2) * ($1 - $2))) -le 1 ]; }
cat_still() {
    look_thrice || return 1
    last_look="$x2 $y2"
    near_one "$x1" "$x2" && near_one "$x3" "$x2" && near_one "$y1" "$y2" && near_one "$y3" "$y2" || return 1
    cx=$x2 cy=$y2
}
wait_cat_still() { last_look=; wait_for "$1" cat_still; }
bar_at() { [ "$(bar_geometry "$bar" | cut -d' ' -f1,2)" = "$1 $2" ]; }

# The cat walks head first. It sets out walking right and walks off and on
# from then: three looks a tick apart, until they find it at least 2 px
# further right each time (more than a change of pose moves the middle of its
# pixels, and a turn at the end of a walk does not go on) with its eyes open
# in the middle one, as in every walking frame. That one, kept as a
# screenshot, shows it walking right: its eyes, the coat's green, stand right
# of its middle.
walked=()
walking_right() {
    look_thrice "$out/cat-walking-right.png" || return 1
    walked+=("$x1>$x2>$x3")
    [ "$e2" -ge 0 ] && [ "$x2" -ge $((x1 + 2)) ] && [ "$x3" -ge $((x2 + 2)) ]
}
wait_for 90 walking_right || fail "the cat was never seen walking right (seen ${walked[*]})"
[ "$e2" -gt "$x2" ] || fail "the cat walks right with its head behind: eyes at x $e2, its middle at $x2"

# Press on the cat, carry it 200 px away: the first move lifts it into the
# overlay, the second carries it there. (The move onto the cat reaches the app
# before the press, so the bar knows the cat is under the pointer and leaves
# the press to it.) Resting the pointer on the capsule first stops a walking
# cat, so it can be caught; one that sets off again between the last look and
# the press is missed: the press goes through the window (cut to its shape)
# to the desktop, or it takes the bar, which follows the pointer. Then the
# button is let go where the bar now rests, and the cat caught anew; a lift
# that a slow app has not shown within 10 s counts as a miss too (a late one
# is dropped by the release and springs back onto the bar).
lifted_or_missed() { overlay_mapped || [ "$(bar_geometry "$bar")" != "$bx $by $bw $bh" ]; }
bar_settled() {
    local now; now=$(bar_geometry "$bar")
    [ "$now" = "${bar_was:-}" ] && return 0
    bar_was=$now
    return 1
}
for try in 1 2 3 4 5; do
    xdotool mousemove $((bx + 26)) $((capsule_top + 17))
    wait_cat_still 30 || fail "the cat never stood still on the bar (last seen at ${last_look:-no place})"
    [ "$try" -gt 1 ] || shot cat-on-bar
    xdotool mousemove "$cx" "$cy" mousedown 1 mousemove $((cx + 100)) $((cy + 100))
    wait_for 10 lifted_or_missed || true
    overlay_mapped && break
    [ "$try" -lt 5 ] || fail "the cat was not lifted into the overlay in $try tries"
    xdotool mouseup 1
    wait_for 30 overlay_gone || fail "the overlay stayed after a drop"
    bar_was=
    wait_for 30 bar_settled || fail "the bar did not come to rest after a drag"
    read -r bx by bw bh <<< "$bar_was"
    capsule_top=$((by + 40))
done
xdotool mousemove $((cx + 200)) $((cy + 200))
carried() { "$locate" $((cx + 170)) $((cy + 170)) 60 60 > /dev/null; }
wait_for 30 carried || fail "the carried cat is not under the pointer"
shot cat-carried
[ "$(bar_geometry "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved while the cat was carried"

# Let go: the cat springs back onto the bar and the overlay goes away.
xdotool mouseup 1
wait_for 30 overlay_gone || fail "the overlay stayed after the drop"
lifted_x=$cx
wait_cat_still 30 || fail "the cat is not back on the bar"
shot cat-back-on-bar
[ "$(bar_geometry "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved with the cat's drop"
# Dropped 200 px to the right of where it stood: at the right end of its range.
[ "$cx" -gt "$lifted_x" ] || fail "the cat landed at $cx, not right of where it was lifted ($lifted_x)"

# The bar is its own again: a drag by its handle moves it, following the
# pointer move by move.
xdotool mousemove $((bx + 26)) $((capsule_top + 17)) mousedown 1 mousemove $((bx + 56)) $((capsule_top + 67))
wait_for 30 bar_at $((bx + 30)) $((by + 50)) || fail "the bar did not follow a drag by its handle: $(bar_geometry "$bar")"
xdotool mousemove $((bx + 76)) $((capsule_top + 117))
wait_for 30 bar_at $((bx + 50)) $((by + 100)) || fail "the bar did not follow the drag on: $(bar_geometry "$bar")"
xdotool mouseup 1
# Put down where it was let go (well inside the screen: no clamping), which
# the release stores as the bar's place.
settings="$home/.config/Meterix/Meterix.conf"
stored_at() { grep -q "^panelOriginX=$1\$" "$settings" && grep -q "^panelOriginY=$2\$" "$settings"; }
wait_for 30 stored_at $((bx + 50)) $((by + 100)) ||
    fail "the release did not store the bar's new place: $(grep panelOrigin "$settings" | tr '\n' ' ')"
bar_at $((bx + 50)) $((by + 100)) || fail "the bar moved on its release: $(bar_geometry "$bar")"

stop_app
echo "PASS: cat carried off the bar and back; screenshots in $out"
