#!/usr/bin/env bash
# End to end: the panel's screens in the real app on a virtual X display with a
# fixture home (Claude Code with a reading, Codex and Cursor installed, so three
# segments on the bar). A second start opens the first one's panel; a click on
# Claude Code's row opens its screen and its back button returns to the
# overview; Ctrl+, opens the settings, where switching Cursor off takes its
# segment off the bar and choosing Korean redraws the panel in Korean. After a
# quit, the next start keeps both: two segments, and the settings in Korean.
# A last start, read as a screen reader reads it, with every provider on the
# bar and an organisation named after its owner's address: with masking on no
# screen holds the whole address, and the settings opened from an overview
# scrolled to its commands show their header.
#
#   screens-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 diff=$3 texts=$4 out=$5
mkdir -p "$out"
make_home
settings="$home/.config/Meterix/Meterix.conf"

bar_width() { geometry_of "$(bar_window)" | awk '{print $3}'; }
bar_width_is() { [ "$(bar_width)" = "$1" ]; }
setting_is() { grep -q "^$1=$2\$" "$settings" 2>/dev/null; }

start_screens_app() {
    start_app
    wait_for "$hang" bar_mapped || fail "the bar never showed"
    wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
}
# The panel's window at rest where it opens without a tray: at the top right of
# the screen, the card 6 pt below the top (it slides in from above).
panel_in_place() {
    local x y w h; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    [ $((x + w)) = 1450 ] && [ "$y" = -12 ]
}
# Without a tray a second start toggles the first one's panel.
open_panel() {
    run_app > "$home/second.log" 2>&1 || fail "the second start failed"
    wait_for "$hang" panel_open || fail "a second start did not open the panel"
    wait_for "$hang" panel_in_place || fail "the panel came to rest at $(geometry_of "$(panel_window)")"
    read -r px py _ _ <<< "$(geometry_of "$(panel_window)")"
    # The card inside the panel's 18 pt margin; the screens below its title bar
    # and inside the stack's insets (12 and 10 pt).
    stack_x=$((px + 18 + 12)) stack_y=$((py + 18 + 63 + 10)) stack_w=$((336 - 24))
}
shot() { "$grab" "$out/$1.png" || fail "no screenshot"; }
# changed <shot> <x y w h>: how much of the area (in %) a fresh grab shows
# otherwise than the shot.
changed() { local was=$1; shift; "$grab" "$home/now.png" && "$diff" "$was" "$home/now.png" "$@"; }
# still <name> <x y w h>: a fresh grab shows the area as the last one of this
# name did (grabbed a poll apart), and is kept as $home/<name>.png; else it
# becomes the last one. wait_still <seconds> <name> <x y w h> waits for that
# from a fresh start: nothing in the area moves any more.
still() {
    local name=$1; shift
    "$grab" "$home/$name-now.png" || return 1
    if [ -f "$home/$name-last.png" ] && [ "$("$diff" "$home/$name-last.png" "$home/$name-now.png" "$@")" = 0 ]; then
        mv "$home/$name-now.png" "$home/$name.png"
        return 0
    fi
    mv "$home/$name-now.png" "$home/$name-last.png"
    return 1
}
wait_still() { local seconds=$1; rm -f "$home/$2-last.png"; wait_for "$seconds" still "${@:2}"; }
# The screen's header (its back button and title): the same as in a saved
# screenshot, different from it, or holding still (no slide under way; saved
# as $home/<name>.png). Slides take their time on a loaded machine, so callers wait.
header() { echo "$stack_x" "$stack_y" "$stack_w" 22; }
header_is() { [ "$(changed "$1" $(header))" = 0 ]; }
header_is_not() { [ "$(changed "$1" $(header))" -gt 0 ]; }
screen_is_not() { [ "$(changed "$1" $(screen_area))" -gt 0 ]; }
header_still() { wait_still "$hang" "$1" $(header); }
# The whole screen below the header, and the panel's title bar above the screens.
screen_area() { echo "$stack_x" $((stack_y + 22)) "$stack_w" $((560 - 20 - 22)); }
# The screens' whole area, their header with them.
screens() { echo "$stack_x" "$stack_y" "$stack_w" $((560 - 20)); }
title_bar() { echo $((stack_x - 12)) $((stack_y - 10 - 63)) 336 63; }
# Ctrl+, opens the settings: the header leaves the one in the shot. The key may
# come before the panel has taken the keyboard, so it is pressed again if the
# header stays (pushing the settings again does nothing).
open_settings() {
    local try
    for try in 1 2 3; do
        xdotool key ctrl+comma
        wait_for 10 header_is_not "$1" && return 0
    done
    return 1
}
# The settings fill the card to its full height (the scrolling area springs to
# it): the foot of the card is drawn, and the band around it holds still.
card_foot() { echo $((stack_x - 12)) $((stack_y - 10 + 560 - 30)) 336 48; }
card_full() {
    local r g b; read -r r g b <<< "$("$grab" "$home/foot.png" $((stack_x + 156)) $((stack_y - 10 + 560 - 6)))"
    [ "${r:-0}" -ge 150 ] && [ "${g:-0}" -ge 150 ] && [ "${b:-0}" -ge 150 ] && still foot $(card_foot)
}

# What to click is found by its name, as a screen reader finds it: every
# start of the app is on an accessibility bus of the test's own.
start_a11y_bus
# element <role> <name>: the box "x y w h" of the app's first element of that
# role whose name starts with <name>, with its middle in the panel's screens
# (one scrolled out of them does not count); nothing when there is none.
element() {
    "$texts" Meterix 2> "$home/texts.log" | awk -F'\t' -v role="$1" -v name="$2" -v area="$(screens)" '
        BEGIN { split(area, a, " ") }
        $2 == role && index($3, name) == 1 {
            split($1, b, " "); cx = b[1] + b[3] / 2; cy = b[2] + b[4] / 2
            if (b[3] > 0 && b[4] > 0 && cx >= a[1] && cx < a[1] + a[3] && cy >= a[2] && cy < a[2] + a[4]) { print $1; exit }
        }'
}
# switch_of <row name>: the box of the switch in the settings row of that name.
switch_of() {
    "$texts" Meterix 2> "$home/texts.log" | awk -F'\t' -v name="$1" '
        $2 == "filler" && $3 == name && ($4 == "Shown" || $4 == "Hidden") { split($1, r, " "); row = 1; next }
        row && $2 == "check box" {
            split($1, b, " ")
            if (b[1] >= r[1] && b[2] >= r[2] && b[1] + b[3] <= r[1] + r[3] && b[2] + b[4] <= r[2] + r[4]) { print $1; exit }
        }'
}
# click_at <what> <box>: a click in the middle of the box, which must be there.
click_at() {
    local x y w h; read -r x y w h <<< "$2"
    [ -n "${h:-}" ] || fail "no $1 to click on the screen $(cat "$home/texts.log")"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}
click_element() { click_at "$2 ($1)" "$(element "$1" "$2")"; }
# The pointer in the middle of the screen below the header (for the wheel, or
# off the header); scroll_screen <clicks> <button> turns the wheel there.
point_at_screen() { local x y w h; read -r x y w h <<< "$(screen_area)"; xdotool mousemove $((x + w / 2)) $((y + h / 2)); }
scroll_screen() { point_at_screen; xdotool click --repeat "$1" --delay 10 "$2"; }

# 1. Three segments; the panel on the overview.
start_screens_app
wait_for "$hang" bar_width_is 280 || fail "the bar is $(bar_width) wide, not 280 (three segments)"
open_panel
header_still overview || fail "the overview never held still"
shot screens-overview

# 2. Claude Code's screen (the first row), and back.
click_element "push button" "Claude Code,"
wait_for "$hang" header_is_not "$home/overview.png" || fail "a click on Claude Code's row did not open its screen"
header_still provider || fail "Claude Code's screen never held still"
shot screens-provider
click_element "push button" "Overview"
wait_for "$hang" header_is "$home/overview.png" || fail "the back button did not return to the overview"

# 3. The settings: Cursor (the fourth switch) off leaves the bar with two segments.
open_settings "$home/overview.png" || fail "Ctrl+, did not open the settings"
header_still settings-english || fail "the settings never held still"
rm -f "$home/foot-last.png"
wait_for "$hang" card_full || fail "the settings never filled the card to its full height"
shot screens-settings
click_at "Cursor's switch" "$(switch_of Cursor)"
wait_for "$hang" bar_width_is 209 || fail "switching Cursor off left the bar $(bar_width) wide, not 209 (two segments)"
wait_for "$hang" setting_is enabledProvidersJSON '"\[\\"claude\\",\\"codex\\"\]"' ||
    fail "the provider list was not stored: $(grep enabledProviders "$settings")"
shot screens-cursor-off

# 4. The language, at the foot of the settings: the panel redraws in Korean.
# (The bar shows figures, no words: its names and tooltips are checked where
# they are made, by the bar's own tests.)
scroll_screen 60 5
wait_for "$hang" screen_is_not "$home/settings-english.png" || fail "the settings did not scroll"
wait_still "$hang" english-foot $(screen_area) || fail "the scrolled settings never held still"
# A refresh under way shows in the title bar's summary, in either language.
no_refresh_shown() { local now; now=$(read_app) && ! grep -qF -e "Refreshing…" -e "새로 고침 중..." <<< "$now"; }
wait_for "$hang" no_refresh_shown || fail "a refresh never ended"
wait_still "$hang" english-title $(title_bar) || fail "the title bar never held still"
click_element "check box" "한국어"
wait_for "$hang" setting_is appLanguage korean || fail "Korean was not stored: $(grep appLanguage "$settings" || echo none)"
wait_for "$hang" screen_is_not "$home/english-foot.png" || fail "the settings did not change on a click on Korean"
wait_still "$hang" korean-foot $(screen_area) || fail "the Korean settings never held still"
shot screens-korean
# The title bar's summary and badge change language too, once the refresh the
# language asks for has ended (it shows in the summary meanwhile).
wait_for "$hang" no_refresh_shown || fail "the refresh after the language change never ended"
wait_still "$hang" korean-title $(title_bar) || fail "the title bar never held still"
[ "$("$diff" "$home/english-title.png" "$home/korean-title.png" $(title_bar))" -gt 0 ] ||
    fail "the panel's title bar did not change language"
scroll_screen 60 4
wait_for "$hang" header_is_not "$home/settings-english.png" || fail "the settings' header did not change language"
header_still settings-korean || fail "the Korean settings never held still"
stop_app

# 5. The next start keeps both: two segments, and the settings in Korean.
start_screens_app
wait_for "$hang" bar_width_is 209 || fail "after a restart the bar is $(bar_width) wide, not 209"
open_panel
header_still overview-again || fail "after a restart the overview never held still"
open_settings "$home/overview-again.png" || fail "after a restart Ctrl+, did not open the settings"
wait_for "$hang" header_is "$home/settings-korean.png" || fail "after a restart the settings are not in Korean"
shot screens-after-restart
stop_app

# 6. Read as a screen reader reads it. Every provider is on the bar (so the
# overview scrolls), in English, and Claude Code's account is the personal
# one whose organisation is named after its owner's address.
set_setting() { L="$1=$2" awk -v key="$1=" 'index($0, key) == 1 {print ENVIRON["L"]; next} {print}' \
    "$settings" > "$home/settings.new" && mv "$home/settings.new" "$settings"; }
every=$(printf '\\"%s\\",' claude codex agy cursor copilot deepseek openrouter groq ollama mistral kimi \
    elevenlabs windsurf zed)
set_setting enabledProvidersJSON "\"[${every%,}]\""
set_setting appLanguage english
sed -i 's/"organizationType":"claude_max"/&,"organizationName":"dev@example.com'"'"'s Organization"/' \
    "$home/.claude.json"
# read_texts <name>: what the app shows and speaks now, kept as <out>/<name>.txt.
read_texts() { "$texts" Meterix > "$out/$1.txt" 2> "$home/texts.log" || fail "the app could not be read: $(cat "$home/texts.log")"; }
# masked <name>: the texts read hold the masked address and never the whole one.
masked() {
    read_texts "$1"
    ! grep -n 'dev@example\.com' "$out/$1.txt" || fail "the whole address is shown or spoken on $1 (masking on)"
}
reads() { read_texts "$1" && grep -qF "$2" "$out/$1.txt"; }
start_app
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
open_panel
header_still overview-every || fail "the overview of every provider never held still"
masked a11y-overview
# Claude Code's screen: its account line reads the organisation, masked.
click_element "push button" "Claude Code,"
wait_for "$hang" header_is_not "$home/overview-every.png" || fail "a click on Claude Code's row did not open its screen"
header_still provider-every || fail "Claude Code's screen never held still"
wait_for "$hang" reads a11y-provider "d***@example.com's Organization" ||
    fail "Claude Code's screen does not read the masked organisation: $(cat "$out/a11y-provider.txt")"
masked a11y-provider
shot screens-provider-masked
click_element "push button" "Overview"
wait_for "$hang" header_is "$home/overview-every.png" || fail "the back button did not return to the overview"
# The settings opened from the overview at its top (the pointer off the
# header, where it is for the scrolled one), and back.
point_at_screen
open_settings "$home/overview-every.png" || fail "Ctrl+, did not open the settings"
header_still settings-every || fail "the settings never held still"
click_element "push button" "Overview"
wait_for "$hang" header_is "$home/overview-every.png" || fail "the back button did not return to the overview"
# The overview scrolled down to its commands, then the settings: they open at
# their top, the header as it is when opened from the top, inside the panel.
scroll_screen 30 5
wait_for "$hang" header_is_not "$home/overview-every.png" || fail "the overview did not scroll"
wait_still "$hang" scrolled-overview $(screen_area) || fail "the scrolled overview never held still"
open_settings "$home/scrolled-overview.png" || fail "Ctrl+, did not open the settings from the scrolled overview"
wait_for "$hang" header_is "$home/settings-every.png" ||
    { shot screens-settings-from-scrolled-overview; fail "the settings opened from a scrolled overview do not show their header"; }
shot screens-settings-from-scrolled-overview
masked a11y-settings
read -r hx hy hw hh <<< "$(awk -F'\t' '$3 == "Settings screen" {print $1; exit}' "$out/a11y-settings.txt")"
[ -n "${hh:-}" ] || fail "the settings' header is not in what the app speaks"
[ "$hx" -ge "$stack_x" ] && [ "$hy" -ge "$stack_y" ] && [ $((hx + hw)) -le $((stack_x + stack_w)) ] &&
    [ $((hy + hh)) -le $((stack_y + 560 - 20)) ] ||
    fail "the settings' header lies at $hx $hy $hw $hh, outside the panel's screen area from $stack_x $stack_y"
stop_app
echo "PASS: the panel's screens under Xvfb; screenshots in $out"
