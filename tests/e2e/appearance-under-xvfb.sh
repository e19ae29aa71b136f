#!/usr/bin/env bash
# End to end: the desktop switches from light to dark while the app runs. A
# stand-in for the desktop portal's settings serves a private session bus; the
# real app starts light on it, the portal announces the dark scheme, and the
# bar must turn dark in place: the same process, no restart. The bar's glass is
# checked at one pixel of the screen in both looks, and both looks are saved.
#
#   appearance-under-xvfb.sh <meterix> <screen-grab> <portal-stand-in> <output folder>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <portal-stand-in> <output folder>" "$@"
app=$1 grab=$2 portal=$3 out=$4
mkdir -p "$out"
make_home

# A session bus of the test's own (the one the app's texts are read on too):
# the machine's session bus is never touched.
start_a11y_bus
bus=$a11y_session

DBUS_SESSION_BUS_ADDRESS="$bus" "$portal" 2 > "$home/portal.log" 2>&1 &
pids+=("$!")
portal_has() { grep -q "$1" "$home/portal.log"; }
wait_for "$hang" portal_has '^ready' || fail "the stand-in portal did not start: $(cat "$home/portal.log")"

set_scheme() {
    dbus-send --bus="$bus" --type=method_call --print-reply --dest=org.freedesktop.portal.Desktop \
        /org/meterix/PortalControl org.meterix.PortalControl.Set \
        string:org.freedesktop.appearance string:color-scheme "variant:uint32:$1" > /dev/null \
        || fail "the stand-in portal did not take color-scheme $1"
}

# The glass at the bar's left end, clear of the segments, as "r g b" (the shot
# saved as it is taken).
glass_at() { "$grab" "$1" "$glass_x" "$glass_y"; }
# glass_is <light|dark> <shot>: the glass looks so in a fresh shot.
glass_is() {
    local r g b; read -r r g b <<< "$(glass_at "$out/$2.png")"
    glass="$r $g $b"
    case $1 in
        light) [ "$r" -ge 120 ] && [ "$g" -ge 120 ] && [ "$b" -ge 120 ] ;;
        dark) [ "$r" -le 70 ] && [ "$g" -le 70 ] && [ "$b" -le 70 ] ;;
    esac
}

start_app
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
# Both settings were asked for; the subscription came before the questions.
wait_for "$hang" portal_has "read org.freedesktop.appearance color-scheme" || fail "the app never read the colour scheme"
wait_for "$hang" portal_has "read org.gnome.desktop.interface enable-animations" || fail "the app never read the animations switch"
read -r x y _ _ <<< "$(bar_geometry "$(bar_window)")"
glass_x=$((x + 20 + 9)) glass_y=$((y + 20 + 20 + 17)) # bleed, cat room, half the strip

wait_for "$hang" glass_is light appearance-light || fail "the bar is not light at start ($(glass_at "$out/appearance-light.png"))"
echo "light at start: glass $glass at $glass_x,$glass_y"
set_scheme 1
wait_for "$hang" glass_is dark appearance-dark || fail "the bar did not turn dark ($(glass_at "$out/appearance-dark.png"))"
echo "dark after the switch: glass $glass"
kill -0 "$app_pid" 2>/dev/null || fail "the app is gone"
# And back, in the same process.
set_scheme 2
wait_for "$hang" glass_is light appearance-light-again \
    || fail "the bar did not turn light again ($(glass_at "$out/appearance-light-again.png"))"
echo "light again: glass $glass"
grep -q "Could not subscribe" "$home/app.log" && fail "a subscription was refused: $(grep 'Could not subscribe' "$home/app.log")"
stop_app
echo "PASS: the bar followed the desktop from light to dark and back; screenshots in $out"
