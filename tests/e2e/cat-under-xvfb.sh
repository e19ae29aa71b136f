#!/usr/bin/env bash
# End to end: the pixel cat of the real app on a virtual X display, as only
# the real windows show it: drawn on the bar; a press on it and a move away
# lift it into the screen-wide overlay, which carries it under the pointer;
# the release puts it back on the bar. The bar itself never moves meanwhile, and afterwards it can
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
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
bar=$(bar_window)
read -r bx by bw bh <<< "$(bar_geometry "$bar")"
# The bar's window: 20 px of bleed, then the cat's 20 px band, then the capsule.
capsule_top=$((by + 40))

# Every wait is for a condition, with a deadline for a machine busy with much else.
# Three looks at the cat a frame tick apart (one call of the locator, so they
# stay that close however slowly the machine starts programs): x and y of
# each in x1..x3, y1..y3 (x -9 where no cat is seen).
look_thrice() {
    local looks
    looks=$("$locate" --looks 3 "$bx" "$by" "$bw" 44 "$@") || true
    { read -r x1 y1 _; read -r x2 y2 _; read -r x3 y3 _; } <<< "$looks"
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

# The cat is drawn on the bar (how it walks, turns and faces is the engine's,
# proven on a fake clock by its own tests).
wait_for "$hang" look_thrice "$out/cat-on-bar.png" || fail "no cat drawn on the bar"

# Press on the cat and carry it 100 px away: the first move lifts it into the
# screen-wide overlay. (The move onto the cat reaches the app before the
# press, so the bar knows the cat is under the pointer and leaves the press to
# it.) A pointer resting on the capsule stops a walking cat; one that sets
# off again goes 3 px a frame tick, so the press, right after three looks
# that found it standing, still lands on its 22 px.
xdotool mousemove $((bx + 26)) $((capsule_top + 17))
wait_cat_still 30 || fail "the cat never stood still on the bar (last seen at ${last_look:-no place})"
xdotool mousemove "$cx" "$cy" mousedown 1 mousemove $((cx + 100)) $((cy + 100))
wait_for "$hang" overlay_mapped || fail "a press on the cat and a drag did not lift it into the overlay"
xdotool mousemove $((cx + 200)) $((cy + 200))
carried() { "$locate" $((cx + 170)) $((cy + 170)) 60 60 > /dev/null; }
wait_for "$hang" carried || fail "the carried cat is not under the pointer"
shot cat-carried
[ "$(bar_geometry "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved while the cat was carried"

# Let go: the cat springs back onto the bar and the overlay goes away.
xdotool mouseup 1
wait_for "$hang" overlay_gone || fail "the overlay stayed after the drop"
wait_for "$hang" look_thrice "$out/cat-back-on-bar.png" || fail "the cat is not back on the bar"
[ "$(bar_geometry "$bar")" = "$bx $by $bw $bh" ] || fail "the bar moved with the cat's drop"

# The bar is its own again: a drag by its handle moves it, following the
# pointer move by move.
xdotool mousemove $((bx + 26)) $((capsule_top + 17)) mousedown 1 mousemove $((bx + 56)) $((capsule_top + 67))
wait_for "$hang" bar_at $((bx + 30)) $((by + 50)) || fail "the bar did not follow a drag by its handle: $(bar_geometry "$bar")"
xdotool mousemove $((bx + 76)) $((capsule_top + 117))
wait_for "$hang" bar_at $((bx + 50)) $((by + 100)) || fail "the bar did not follow the drag on: $(bar_geometry "$bar")"
xdotool mouseup 1
# Put down where it was let go (well inside the screen: no clamping), which
# the release stores as the bar's place.
settings="$home/.config/Meterix/Meterix.conf"
stored_at() { grep -q "^panelOriginX=$1\$" "$settings" && grep -q "^panelOriginY=$2\$" "$settings"; }
wait_for "$hang" stored_at $((bx + 50)) $((by + 100)) ||
    fail "the release did not store the bar's new place: $(grep panelOrigin "$settings" | tr '\n' ' ')"
bar_at $((bx + 50)) $((by + 100)) || fail "the bar moved on its release: $(bar_geometry "$bar")"

stop_app
echo "PASS: cat carried off the bar and back; screenshots in $out"
