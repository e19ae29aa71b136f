# What the end-to-end scripts share; sourced once a script runs inside its
# virtual display, with the app's path in $app. Gives an empty home in $home
# (removed on exit with every process listed in pids), the command that starts
# the app on it in the array meterix, and helpers.

# A sanitized build reports leaks at exit; system libraries' own are suppressed.
suppressions="$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}"
# libxkbcommon strndup()s X replies that are not NUL-terminated (a bounded read
# that strict string checking takes for an overflow), so that check is off here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"

home=$(mktemp -d)
mkdir -p "$home/run" && chmod 700 "$home/run"
pids=()

# The app on the home alone, with the refresh's debug lines (they show when
# readings arrive and fetches start).
meterix=(env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home"
    XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
    LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}"
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb
    QT_LOGGING_RULES="com.meterix.provider.debug=true" "$app")
cleanup() {
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    rm -rf "$home"
}
trap cleanup EXIT

# Ends the test with the app's sanitizer report in full, else the end of its log.
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

# Runs "$@" until it succeeds or seconds pass.
wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

log_has() { grep -q "$1" "$home/app.log"; }
bar_window() { xwininfo -root -tree | awk '/"Meterix": \("meterix"/ {print $1; exit}'; }
# x, y, width and height of a window on the screen.
geometry_of() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
viewable() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
