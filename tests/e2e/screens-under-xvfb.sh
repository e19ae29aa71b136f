#!/usr/bin/env bash
# End to end: the panel's screens in the real app on a virtual X display with a
# fixture home (Claude Code with a reading, Codex and Cursor installed, so three
# segments on the bar). A second start opens the first one's panel; a click on
# Claude Code's row opens its screen and its back button returns to the
# overview; Ctrl+, opens the settings, where switching Cursor off takes its
# segment off the bar and choosing Korean redraws the panel in Korean. After a
# quit, the next start keeps both: two segments, and the settings in Korean.
#
#   screens-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 4 "<meterix> <screen-grab> <screen-diff> <output folder>" "$@"
app=$1 grab=$2 diff=$3 out=$4
mkdir -p "$out"
make_home
settings="$home/.config/Meterix/Meterix.conf"

panel_window() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
panel_open() { viewable "$(panel_window)"; }
bar_width() { geometry_of "$(bar_window)" | awk '{print $3}'; }
bar_width_is() { [ "$(bar_width)" = "$1" ]; }
setting_is() { grep -q "^$1=$2\$" "$settings" 2>/dev/null; }

start_screens_app() {
    start_app
    wait_for 30 bar_mapped || fail "the bar never showed"
    wait_for 30 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
}
# Without a tray a second start toggles the first one's panel.
open_panel() {
    run_app > "$home/second.log" 2>&1 || fail "the second start failed"
    wait_for 10 panel_open || fail "a second start did not open the panel"
    read -r px py _ _ <<< "$(geometry_of "$(panel_window)")"
    # The card inside the panel's 18 pt margin; the screens below its title bar
    # and inside the stack's insets (12 and 10 pt).
    stack_x=$((px + 18 + 12)) stack_y=$((py + 18 + 63 + 10)) stack_w=$((336 - 24))
}
shot() { "$grab" "$out/$1.png" || fail "no screenshot"; }
# The screen's header (its back button and title): the same as in a saved
# screenshot, different from it, or holding still (no slide under way, saved
# as $1). Slides take their time on a loaded machine, so callers wait.
changed_in_header() { "$grab" "$home/now.png" && "$diff" "$1" "$home/now.png" "$stack_x" "$stack_y" "$stack_w" 22; }
header_is() { [ "$(changed_in_header "$1")" = 0 ]; }
header_is_not() { [ "$(changed_in_header "$1")" -gt 0 ]; }
header_still() { "$grab" "$home/before.png" && sleep 0.2 && "$grab" "$1" &&
    [ "$("$diff" "$home/before.png" "$1" "$stack_x" "$stack_y" "$stack_w" 22)" = 0 ]; }
# Ctrl+, until the settings are shown (pushing the settings again does nothing).
settings_shown_like() { xdotool key ctrl+comma; sleep 0.3; header_is "$1"; }

# 1. Three segments; the panel on the overview.
start_screens_app
wait_for 10 bar_width_is 280 || fail "the bar is $(bar_width) wide, not 280 (three segments)"
open_panel
wait_for 10 header_still "$home/overview.png" || fail "the overview never held still"
shot screens-overview

# 2. Claude Code's screen (the first row), and back.
xdotool mousemove $((stack_x + 120)) $((stack_y + 49)) click 1
wait_for 10 header_is_not "$home/overview.png" || fail "a click on Claude Code's row did not open its screen"
wait_for 10 header_still "$home/provider.png" || fail "Claude Code's screen never held still"
shot screens-provider
xdotool mousemove $((stack_x + 30)) $((stack_y + 10)) click 1
wait_for 10 header_is "$home/overview.png" || fail "the back button did not return to the overview"

# 3. The settings: Cursor (the fourth switch) off leaves the bar with two segments.
xdotool key ctrl+comma
wait_for 10 header_is_not "$home/overview.png" || fail "Ctrl+, did not open the settings"
wait_for 10 header_still "$home/settings-english.png" || fail "the settings never held still"
sleep 0.5 # the scrolling area's spring to its full height
shot screens-settings
xdotool mousemove $((stack_x + 300)) $((stack_y + 230)) click 1
wait_for 10 bar_width_is 209 || fail "switching Cursor off left the bar $(bar_width) wide, not 209 (two segments)"
wait_for 5 setting_is enabledProvidersJSON '"\[\\"claude\\",\\"codex\\"\]"' ||
    fail "the provider list was not stored: $(grep enabledProviders "$settings")"
shot screens-cursor-off

# 4. The language, at the foot of the settings: the panel redraws in Korean.
xdotool mousemove $((stack_x + 150)) $((stack_y + 300)) click --repeat 60 --delay 10 5
sleep 0.5
# Scrolled to its end, the screen ends 10 pt above the scrolling area's foot,
# which is 560 pt below its top; the Korean segment sits 52 pt above that.
xdotool mousemove $((stack_x + 179)) $((stack_y - 10 + 560 - 10 - 52)) click 1
wait_for 5 setting_is appLanguage korean || fail "Korean was not stored: $(grep appLanguage "$settings" || echo none)"
sleep 0.5
shot screens-korean
xdotool mousemove $((stack_x + 150)) $((stack_y + 300)) click --repeat 60 --delay 10 4
wait_for 10 header_is_not "$home/settings-english.png" || fail "the settings' header did not change language"
wait_for 10 header_still "$home/settings-korean.png" || fail "the Korean settings never held still"
stop_app

# 5. The next start keeps both: two segments, and the settings in Korean.
start_screens_app
wait_for 10 bar_width_is 209 || fail "after a restart the bar is $(bar_width) wide, not 209"
open_panel
wait_for 10 settings_shown_like "$home/settings-korean.png" || fail "after a restart the settings are not in Korean"
shot screens-after-restart
stop_app
echo "PASS: the panel's screens under Xvfb; screenshots in $out"
