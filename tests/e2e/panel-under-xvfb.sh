#!/usr/bin/env bash
# End to end: the status-item panel of the real app on a virtual X display with
# a fixture home. Beside a tray host, a click on the tray icon opens the panel
# (a screenshot shows it), Escape closes it, a click on the icon opens it again
# and a click elsewhere on the desktop closes it, and Ctrl+Q from the open panel
# quits the app with its last readings saved. Without a tray, starting meterix a
# second time opens the first one's panel and the second start ends at once
# with status 0; a third start closes it again.
#
#   panel-under-xvfb.sh <meterix> <screen-grab> <output folder>
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
    if [ -f "$home/app.log" ]; then
        if grep -q '^==[0-9]*==ERROR' "$home/app.log"; then
            sed -n '/^==[0-9]*==ERROR/,/^SUMMARY/p' "$home/app.log" >&2
        else
            tail -30 "$home/app.log" >&2
        fi
    fi
    exit 1
}

# Claude Code with a cached reading (70 % left), Codex and Cursor installed.
"$(dirname "$0")/make-fixture-home.sh" "$home"
mkdir -p "$home/run" && chmod 700 "$home/run"

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
geometry_of() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
log_has() { grep -q "$1" "$home/app.log"; }

meterix=(env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home"
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
    LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}"
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb
    QT_LOGGING_RULES="com.meterix.provider.debug=true" "$app")
start_app() {
    "${meterix[@]}" > "$home/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    wait_for 30 viewable_bar || fail "the bar never showed"
    wait_for 30 log_has "Updated 1 snapshot(s) for claude" || fail "no Claude Code reading"
}
viewable_bar() { viewable "$(bar_window)"; }

# 1. Beside a tray host.
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true > /dev/null 2>&1 &
tray_pid=$!
pids+=("$tray_pid")
wait_for 10 sh -c 'xwininfo -root -tree | grep -q trayer' || fail "trayer did not start"
start_app
tray_window=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ {print $1; exit}')
icon_window() { xwininfo -tree -id "$tray_window" | awk '/"Meterix"/ {print $1; exit}'; }
wait_for 10 sh -c "xwininfo -tree -id $tray_window | grep -q Meterix" || fail "the status item never docked"
read -r ix iy iw ih <<< "$(geometry_of "$(icon_window)")"
# Two presses on the icon within the double-click interval are a double click,
# which the status item leaves alone: each click waits that long after the last.
click_icon() {
    sleep 0.5
    xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 1
}

click_icon
wait_for 10 panel_open || fail "a click on the tray icon did not open the panel"
sleep 0.6 # the slide in and the first spring of its height
read -r px py pw ph <<< "$(geometry_of "$(panel_window)")"
# Under the icon at the bottom right: the card kept 8 pt inside the screen's
# right and bottom edges (the panel's 18 pt margin reaching 10 pt beyond them).
# Without a window manager no work area leaves the tray out of the screen.
echo "icon at $ix,$iy ${iw}x${ih}; panel at $px,$py ${pw}x${ph}"
[ "$pw" = 372 ] || fail "the panel is $pw wide, not 372"
[ $((px + pw)) -eq $((1440 + 10)) ] || fail "the panel's right edge is at $((px + pw)), not 1450"
[ $((py + ph)) -eq $((900 + 10)) ] || fail "the panel's bottom edge is at $((py + ph)), not 910"
"$grab" "$out/panel-with-tray.png" || fail "no screenshot"
xprop -id "$(panel_window)" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "the panel is not kept above"

xdotool key Escape
wait_for 10 panel_closed || fail "Escape did not close the panel"

click_icon
wait_for 10 panel_open || fail "a second click on the tray icon did not open the panel"
xdotool mousemove 300 400 click 1
wait_for 10 panel_closed || fail "a click elsewhere did not close the panel"

click_icon
wait_for 10 panel_open || fail "the panel did not open for Ctrl+Q"
xdotool key ctrl+q
status=0
wait "$app_pid" || status=$?
[ $status -eq 0 ] || fail "the app exited with $status on Ctrl+Q"
grep -q '"claude|u-1"' "$home/.local/share/Meterix/"*.json 2>/dev/null \
    || fail "the last reading was not saved on quit"
kill -9 "$tray_pid"
wait "$tray_pid" 2>/dev/null || true
wait_for 10 sh -c '! xwininfo -root -tree | grep -q trayer'

# 2. Without a tray: a second start toggles the first one's panel.
start_app
second_start() {
    local t0=$SECONDS status=0
    "${meterix[@]}" > "$home/second.log" 2>&1 || status=$?
    [ $status -eq 0 ] || fail "the second start exited with $status"
    [ $((SECONDS - t0)) -le 5 ] || fail "the second start took $((SECONDS - t0)) s to end"
}
second_start
wait_for 10 panel_open || fail "a second start did not open the first one's panel"
[ "$(xwininfo -root -tree | grep -c '"Meterix": ("meterix"')" = 1 ] || fail "a second bar came up"
sleep 0.6
"$grab" "$out/panel-without-tray.png" || fail "no screenshot"
read -r px py pw ph <<< "$(geometry_of "$(panel_window)")"
# No icon to hang from: the top right of the screen under the pointer.
[ $((px + pw)) -eq $((1440 + 10)) ] || fail "without a tray the panel ends at $((px + pw)), not 1450"
[ "$py" = $((1 + 5 - 18)) ] || fail "without a tray the panel starts at y $py, not -12"
second_start
wait_for 10 panel_closed || fail "a third start did not close the panel"
kill -TERM "$app_pid"
status=0
wait "$app_pid" || status=$?
[ $status -eq 0 ] || fail "the app exited with $status on SIGTERM"
echo "PASS: the status-item panel under Xvfb with and without a tray; screenshots in $out"
