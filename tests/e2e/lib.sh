# Shared by the end-to-end scripts (sourced, never run): the virtual display,
# the fixture home, the app's start and stop, waiting, and the bar's window. A
# script calls start_display and make_home, and sets app=<meterix binary>
# before it starts the app.

# start_display <count> <usage> "$@": checks that the script got count
# arguments, then starts a virtual X display of its own for the rest of the
# script (DISPLAY set; stopped on exit). The server picks a free display
# number itself, so scripts run side by side never race for one. It does not
# reset when its last client leaves: an app started right after the last one
# quit would otherwise meet a server in the middle of its reset.
start_display() {
    local count=$1 usage=$2; shift 2
    [ $# -eq "$count" ] || { echo "usage: $0 $usage" >&2; exit 2; }
    command -v Xvfb >/dev/null || { echo "Xvfb is missing (scripts/install-deps)" >&2; exit 1; }
    display_dir=$(mktemp -d)
    trap cleanup EXIT
    Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp -noreset 3> "$display_dir/number" 2> "$display_dir/log" &
    display_pid=$!
    wait_for 20 test -s "$display_dir/number" || { echo "Xvfb did not start: $(cat "$display_dir/log")" >&2; exit 1; }
    export DISPLAY=":$(head -1 "$display_dir/number")"
}

# A fresh fixture home in $home (Claude Code with a cached reading of 70 % left,
# Codex and Cursor installed), removed on exit with everything started.
make_home() {
    home=$(mktemp -d)
    "$(dirname "${BASH_SOURCE[0]}")/make-fixture-home.sh" "$home"
}

# claude_cache_left <percent>: Claude Code's cache gets a new reading, taken
# now, with that much of its five-hour window left.
claude_cache_left() { "$(dirname "${BASH_SOURCE[0]}")/make-fixture-home.sh" "$home" $((100 - $1)); }

# The app's usage store: does it hold Claude Code's reading with <percent> left,
# and when was its file last written (ms since the epoch).
usage_store() { echo "$home/.local/share/Meterix/account-usage.json"; }
store_holds() { grep -Eq "\"hourlyRemainingPercentage\": $1[,}[:space:]]" "$(usage_store)" 2>/dev/null; }
# Claude Code's stored reading is filed under its account and carries it, read
# from the end of a 20 MB configuration.
store_keeps_the_claude_account() {
    local store; store=$(usage_store)
    grep -q '"claude|u-1"' "$store" && grep -q '"accountID": "u-1"' "$store" &&
        grep -q '"accountEmail": "dev@example.com"' "$store" && grep -q '"planName": "Claude Max"' "$store"
}
store_written_ms() { stat -c %.3Y "$(usage_store)" | tr -d .; }
now_ms() { date +%s%3N; }

# start_a11y_bus: a session bus of the script's own with the desktop's
# accessibility bus on it (at-spi's launcher, its bus and its registry), so
# that the app's texts are read as a screen reader reads them. The launcher
# keeps its files in the fixture home. AT_SPI_BUS_ADDRESS is exported for the
# reader; a11y_env holds the NAME=value pairs that start the app on it.
start_a11y_bus() {
    local launcher=/usr/libexec/at-spi-bus-launcher registry=/usr/libexec/at-spi2-registryd
    [ -x "$launcher" ] && [ -x "$registry" ] || fail "at-spi is missing (scripts/install-deps: at-spi2-core)"
    dbus-daemon --config-file="$(dirname "${BASH_SOURCE[0]}")/../support/dbus/test-bus.conf" --print-address=3 \
        --nofork --nopidfile 3> "$home/session-address" 2> "$home/session-bus.log" &
    pids+=($!)
    wait_for 10 test -s "$home/session-address" || fail "the session bus did not start"
    local session; session=$(head -1 "$home/session-address")
    mkdir -p "$home/run" && chmod 700 "$home/run"
    env HOME="$home" XDG_RUNTIME_DIR="$home/run" DBUS_SESSION_BUS_ADDRESS="$session" "$launcher" \
        --launch-immediately > "$home/a11y-launcher.log" 2>&1 &
    local launcher_pid=$!
    pids+=("$launcher_pid")
    wait_for 10 a11y_address "$session" || fail "the accessibility bus did not start"
    # Its own bus, a child of the launcher, goes with everything else.
    pids+=($(ps -o pid= --ppid "$launcher_pid"))
    export AT_SPI_BUS_ADDRESS; AT_SPI_BUS_ADDRESS=$(a11y_address "$session")
    "$registry" > "$home/a11y-registry.log" 2>&1 &
    pids+=($!)
    wait_for 10 grep -q "is running" "$home/a11y-registry.log" || fail "the accessibility registry did not start"
    a11y_env=(DBUS_SESSION_BUS_ADDRESS="$session" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
}
# The accessibility bus's address, as the launcher on session bus $1 gives it.
a11y_address() {
    dbus-send --bus="$1" --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
        2>/dev/null | awk 'NF {print $1; exit}' | grep .
}

# A sanitized build reports leaks at exit; system libraries' own are suppressed.
suppressions="$(cd "$(dirname "${BASH_SOURCE[0]}")/../support" && pwd)/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$suppressions:print_suppressions=0}"
# libxkbcommon strndup()s X replies that are not NUL-terminated (a bounded read
# that strict string checking takes for an overflow), so that check is off here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0"

# Everything started in the background; killed on exit.
pids=()
cleanup() {
    for p in "${pids[@]}"; do { kill -9 "$p" && wait "$p"; } 2>/dev/null || true; done
    # The display last, and gently: it removes its socket and lock itself.
    if [ -n "${display_pid:-}" ]; then { kill -TERM "$display_pid" && wait "$display_pid"; } 2>/dev/null || true; fi
    rm -rf "${home:-}" "${display_dir:-}"
}

fail() {
    echo "FAIL: $*" >&2
    if [ -f "${home:-}/app.log" ]; then
        # A sanitizer's report in full, else the end of the log.
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

bar_window() { xwininfo -root -tree | awk '/"Meterix": \("meterix"/ {print $1; exit}'; }
# x, y, width and height of a window on the screen.
geometry_of() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
viewable() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
bar_geometry() { geometry_of "$1"; }
bar_mapped() { viewable "$(bar_window)"; }
log_has() { grep -q "$1" "$home/app.log"; }
# Claude Code's fetches begun and readings filed so far (the line follows the
# filing); whether every fetch begun has ended (filed or failed).
claude_fetches() { grep -c "Fetching usage for claude" "$home/app.log" || true; }
claude_filed() { grep -c "Updated 1 snapshot(s) for claude" "$home/app.log" || true; }
claude_filed_more_than() { [ "$(claude_filed)" -gt "$1" ]; }
nothing_in_flight() {
    [ "$(grep -c "Fetching usage for" "$home/app.log" || true)" = \
        "$(grep -cE "Updated [0-9]+ snapshot\(s\) for|Fetch failed for" "$home/app.log" || true)" ]
}

# The command that runs the app on the fixture home with a clean environment,
# plus the NAME=value pairs given, in the array app_command. The refresh's debug
# lines show when readings arrive and fetches start.
app_command() {
    mkdir -p "$home/run" && chmod 700 "$home/run"
    app_command=(env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home"
        XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
        LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}"
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb
        QT_LOGGING_RULES="com.meterix.provider.debug=true" "$@" "$app")
}

# Runs the app in the foreground.
run_app() { app_command "$@"; "${app_command[@]}"; }

# Starts the app in the background (the app itself, not a subshell, is app_pid),
# its output in $home/app.log.
start_app() {
    app_command "$@"
    "${app_command[@]}" > "$home/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
}

# app_ended <how>: waits for the app to end, which it must with status 0.
app_ended() {
    local status=0
    wait "$app_pid" || status=$?
    [ $status -eq 0 ] || fail "the app exited with $status on $1"
}
terminate_app() { kill -TERM "$app_pid"; }
stop_app() {
    terminate_app
    app_ended SIGTERM
}

# quit_right_after_a_reading <refresh> <quit>: quits the app (the command quit)
# at once after it has filed a reading, to prove that quitting writes out the
# usage store. The store writes its file 2 s after a reading is filed (the
# readings of one poll share a write), so a reading filed just before the quit
# reaches the file in time only if the quit writes it. The command refresh
# makes the app file Claude Code's cache anew; the cache takes a new figure
# first each time. Once nothing waits to be written (the file holds the last
# figure filed), a new figure is filed and the quit follows, if that was the
# only fetch of Claude Code since (nothing read the figure before the refresh),
# well within the store's delay, and the figure is not written yet. Otherwise
# (a deferred refresh came in between, or the machine is slow) the figure is let
# through to the file and the next one tried. The caller then waits for the
# app's end and calls quit_wrote_the_reading.
quit_right_after_a_reading() {
    local refresh=$1 quit=$2 fetched
    # The refresh's fetch must not join one begun before the cache changed.
    wait_for 10 nothing_in_flight || fail "a refresh never ended"
    file_anew "$refresh" 60
    # A refresh deferred from before may be the one that files the figure.
    wait_for 15 store_holds 60 || fail "the reading filed never reached the usage store"
    wait_for 10 nothing_in_flight || fail "a refresh never ended"
    for quit_left in 45 44 43 42 41 40; do
        fetched=$(claude_fetches)
        file_anew "$refresh" "$quit_left"
        if [ "$(claude_fetches)" = $((fetched + 1)) ] && [ $(($(now_ms) - asked)) -lt 1200 ] &&
            ! store_holds "$quit_left"; then
            quit_at=$(now_ms)
            "$quit"
            return 0
        fi
        wait_for 10 store_holds "$quit_left" || fail "the reading filed never reached the usage store"
        wait_for 10 nothing_in_flight || fail "a refresh never ended"
    done
    fail "no reading was filed alone well within the store's delay, so a write on quit could not be told apart"
}
# file_anew <refresh> <percent>: Claude Code's cache takes the figure and the
# refresh (asked: when) files it; the other providers' fetches end too, so that
# nothing keeps a quit waiting.
file_anew() {
    claude_cache_left "$2"
    local filed; filed=$(claude_filed)
    asked=$(now_ms)
    "$1"
    wait_for 10 claude_filed_more_than "$filed" || fail "no new reading of Claude Code was filed"
    wait_for 10 nothing_in_flight || fail "the refresh never ended"
}
quit_wrote_the_reading() {
    store_holds "$quit_left" || fail "the reading filed just before the quit was not saved: $(cat "$(usage_store)")"
    store_keeps_the_claude_account || fail "the stored reading lost Claude Code's account: $(cat "$(usage_store)")"
    # The store's own write would have come 2 s after the filing at the
    # earliest (less a little: file times are taken from a coarse clock).
    local written=$(($(store_written_ms) - asked))
    [ "$written" -lt 1950 ] ||
        fail "the reading was written $written ms after its refresh, by the store's delayed write, not by the quit"
    echo "quit $((quit_at - asked)) ms after the refresh; the usage store written $written ms after it"
}
