#!/usr/bin/env bash
# End to end: the panel's screens in the real app on a virtual X display with a
# fixture home (Claude Code with a reading, Codex and Cursor installed, so three
# segments on the bar). A second start opens the first one's panel; a click on
# Claude Code's row opens its screen and its back button returns to the
# overview; Ctrl+, opens the settings, where switching Cursor off takes its
# segment off the bar and choosing Korean redraws the panel in Korean. After a
# quit, the next start keeps both: two segments, and the panel in Korean.
#
#   screens-under-xvfb.sh <meterix> <screen-grab> <output folder>
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    [ $# -eq 3 ] || { echo "usage: $0 <meterix> <screen-grab> <output folder>" >&2; exit 2; }
    command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (scripts/install-deps)" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" --inside "$@"
fi
shift
app=$1 grab=$2 out=$3
# A sanitized build reports leaks at exit; system libraries' own are suppressed.
suppressions="$(cd "$(dirname "$0")/../support" && pwd)/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}"
# libxkbcommon strndup()s X replies that are not NUL-terminated (a bounded read
# that strict string checking takes for an overflow), so that check is off here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"
mkdir -p "$out"

home=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$home"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    "$grab" "$out/screens-failure.png" 2>/dev/null || true
    if [ -f "$home/app.log" ]; then
        if grep -q '^==[0-9]*==ERROR' "$home/app.log"; then
            sed -n '/^==[0-9]*==ERROR/,/^SUMMARY/p' "$home/app.log" >&2
        else
            tail -30 "$home/app.log" >&2
        fi
    fi
    exit 1
}

"$(dirname "$0")/make-fixture-home.sh" "$home"
mkdir -p "$home/run" && chmod 700 "$home/run"
settings="$home/.config/Meterix/Meterix.conf"

wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

panel_window() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
bar_window() { xwininfo -root -tree | awk '/"Meterix": \("meterix"/ {print $1; exit}'; }
viewable() { local w=$1; [ -n "$w" ] && xwininfo -id "$w" 2>/dev/null | grep -q IsViewable; }
panel_open() { viewable "$(panel_window)"; }
panel_closed() { ! panel_open; }
bar_shown() { viewable "$(bar_window)"; }
geometry_of() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
bar_width() { geometry_of "$(bar_window)" | awk '{print $3}'; }
bar_width_is() { [ "$(bar_width)" = "$1" ]; }
log_has() { grep -q "$1" "$home/app.log"; }
setting_is() { grep -q "^$1=$2\$" "$settings" 2>/dev/null; }

meterix=(env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home"
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
    LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}"
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb
    QT_LOGGING_RULES="com.meterix.provider.debug=true" "$app")
start_app() {
    "${meterix[@]}" > "$home/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    wait_for 30 bar_shown || fail "the bar never showed"
    wait_for 30 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
}
stop_app() {
    kill -TERM "$app_pid"
    local status=0
    wait "$app_pid" || status=$?
    [ $status -eq 0 ] || fail "the app exited with $status"
}
# Without a tray a second start toggles the first one's panel.
toggle_panel() { "${meterix[@]}" > "$home/second.log" 2>&1 || fail "the second start failed"; }
open_panel() {
    toggle_panel
    wait_for 10 panel_open || fail "a second start did not open the panel"
    sleep 0.8 # the slide in and the spring of its height
    read -r px py pw ph <<< "$(geometry_of "$(panel_window)")"
    # The card inside the panel's 18 pt margin; the screens below its title bar
    # and inside the stack's insets (12 and 10 pt).
    card_x=$((px + 18)) card_y=$((py + 18))
    stack_x=$((card_x + 12)) stack_y=$((card_y + 63 + 10)) stack_w=$((336 - 24))
}
click_at() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.8 # the push slide
}
shot() { "$grab" "$out/$1.png" || fail "no screenshot"; }
# The screen's header (its back button and title), as pixels.
header_shot() { "$grab" "$1" "$stack_x" "$stack_y" "$stack_w" 22 || fail "no screenshot"; }
# The header now looks like (or unlike) a saved one; slides take their time on
# a loaded machine, so callers wait for it.
header_is() { header_shot "$home/now.png" && cmp -s "$1" "$home/now.png"; }
header_is_not() { header_shot "$home/now.png" && ! cmp -s "$1" "$home/now.png"; }
# The header once it holds still (no slide under way), saved as $1.
header_still() { header_shot "$home/a.png" && sleep 0.2 && header_shot "$1" && cmp -s "$home/a.png" "$1"; }
# Ctrl+, until the settings are shown (pushing the settings again does nothing).
settings_shown_like() { xdotool key ctrl+comma; sleep 0.3; header_is "$1"; }

# 1. Three segments; the panel on the overview.
start_app
wait_for 10 bar_width_is 280 || fail "the bar is $(bar_width) wide, not 280 (three segments)"
open_panel
shot screens-overview

# 2. Claude Code's screen, and back.
wait_for 10 header_still "$home/overview-header.png" || fail "the overview never held still"
click_at $((stack_x + 120)) $((stack_y + 49))
wait_for 10 header_is_not "$home/overview-header.png" || fail "a click on Claude Code's row did not open its screen"
sleep 0.5
shot screens-provider
click_at $((stack_x + 30)) $((stack_y + 10))
wait_for 10 header_is "$home/overview-header.png" || fail "the back button did not return to the overview"
shot screens-back

# 3. The settings: Cursor off leaves the bar with two segments.
xdotool key ctrl+comma
wait_for 10 header_is_not "$home/overview-header.png" || fail "Ctrl+, did not open the settings"
wait_for 10 header_still "$home/settings-english.png" || fail "the settings never held still"
shot screens-settings
click_at $((stack_x + 300)) $((stack_y + 230))
wait_for 10 bar_width_is 209 || fail "switching Cursor off left the bar $(bar_width) wide, not 209 (two segments)"
wait_for 5 setting_is enabledProvidersJSON '"\[\\"claude\\",\\"codex\\"\]"' || fail "the provider list was not stored: $(grep enabledProviders "$settings")"
shot screens-cursor-off

# 4. The language, at the foot of the settings: the panel redraws in Korean.
xdotool mousemove $((stack_x + 150)) $((stack_y + 300)) click --repeat 60 --delay 10 5
sleep 0.5
shot screens-scrolled
# Scrolled to its end, the screen ends 10 pt above the scrolling area's foot,
# which is 560 pt below its top; the Korean segment sits 52 pt above that.
click_at $((stack_x + 179)) $((stack_y - 10 + 560 - 10 - 52))
wait_for 5 setting_is appLanguage korean || fail "Korean was not stored: $(grep appLanguage "$settings" || echo none)"
sleep 0.5
shot screens-korean
xdotool mousemove $((stack_x + 150)) $((stack_y + 300)) click --repeat 60 --delay 10 4
wait_for 10 header_is_not "$home/settings-english.png" || fail "the settings' header did not change language"
wait_for 10 header_still "$home/settings-korean.png" || fail "the Korean settings never held still"
shot screens-korean-top
stop_app

# 5. The next start keeps both: two segments, and the panel in Korean.
start_app
wait_for 10 bar_width_is 209 || fail "after a restart the bar is $(bar_width) wide, not 209"
open_panel
wait_for 10 settings_shown_like "$home/settings-korean.png" || fail "after a restart the settings are not in Korean"
shot screens-after-restart
stop_app
echo "PASS: the panel's screens under Xvfb; screenshots in $out"
