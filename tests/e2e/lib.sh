# Shared by the end-to-end scripts (sourced, never run): the virtual display,
# the fixture home, the app's start and stop, waiting, and the bar's window. A
# script calls start_display and make_home, and sets app=<meterix binary>
# before it starts the app.

# start_display <count> <usage> "$@": checks that the script got count
# arguments, then starts a virtual X display of its own for the rest of the
# script (DISPLAY set; stopped on exit), of screen_size (1440x900 unless the
# script sets another before). The server picks a free display
# number itself, so scripts run side by side never race for one. It does not
# reset when its last client leaves: an app started right after the last one
# quit would otherwise meet a server in the middle of its reset.
start_display() {
    local count=$1 usage=$2; shift 2
    [ $# -eq "$count" ] || { echo "usage: $0 $usage" >&2; exit 2; }
    command -v Xvfb >/dev/null || { echo "Xvfb is missing (scripts/install-deps)" >&2; exit 1; }
    display_dir=$(mktemp -d)
    trap cleanup EXIT
    Xvfb -displayfd 3 -screen 0 "${screen_size:-1440x900}x24" -nolisten tcp -noreset 3> "$display_dir/number" 2> "$display_dir/log" &
    display_pid=$!
    wait_for "$hang" test -s "$display_dir/number" || { echo "Xvfb did not start: $(cat "$display_dir/log")" >&2; exit 1; }
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

# The app's usage store: does it hold Claude Code's reading with <percent> left.
usage_store() { echo "$home/.local/share/Meterix/account-usage.json"; }
store_holds() { grep -Eq "\"hourlyRemainingPercentage\": $1[,}[:space:]]" "$(usage_store)" 2>/dev/null; }
# Claude Code's stored reading is filed under its account and carries it, read
# from the end of a 20 MB configuration.
store_keeps_the_claude_account() {
    local store; store=$(usage_store)
    grep -q '"claude|u-1"' "$store" && grep -q '"accountID": "u-1"' "$store" &&
        grep -q '"accountEmail": "dev@example.com"' "$store" && grep -q '"planName": "Claude Max"' "$store"
}

# start_a11y_bus: a session bus of the script's own with the desktop's
# accessibility bus on it (at-spi's launcher, its bus and its registry), so
# that the app's texts are read as a screen reader reads them. The launcher
# keeps its files in the fixture home. AT_SPI_BUS_ADDRESS is exported for the
# reader and the session bus's address is a11y_session (for what else the
# script serves to the app there); a11y_env holds the NAME=value pairs that
# start the app on it. Every app start brings it up when the script has not;
# once up, it stays.
a11y_env=()
start_a11y_bus() {
    [ ${#a11y_env[@]} -eq 0 ] || return 0
    local launcher=/usr/libexec/at-spi-bus-launcher registry=/usr/libexec/at-spi2-registryd
    [ -x "$launcher" ] && [ -x "$registry" ] || fail "at-spi is missing (scripts/install-deps: at-spi2-core)"
    dbus-daemon --config-file="$(dirname "${BASH_SOURCE[0]}")/../support/dbus/test-bus.conf" --print-address=3 \
        --nofork --nopidfile 3> "$home/session-address" 2> "$home/session-bus.log" &
    pids+=($!)
    wait_for "$hang" test -s "$home/session-address" || fail "the session bus did not start"
    local session; session=$(head -1 "$home/session-address")
    a11y_session=$session
    mkdir -p "$home/run" && chmod 700 "$home/run"
    env HOME="$home" XDG_RUNTIME_DIR="$home/run" DBUS_SESSION_BUS_ADDRESS="$session" "$launcher" \
        --launch-immediately > "$home/a11y-launcher.log" 2>&1 &
    local launcher_pid=$!
    pids+=("$launcher_pid")
    wait_for "$hang" a11y_address "$session" || fail "the accessibility bus did not start"
    # Its own bus, a child of the launcher, goes with everything else.
    pids+=($(ps -o pid= --ppid "$launcher_pid"))
    export AT_SPI_BUS_ADDRESS; AT_SPI_BUS_ADDRESS=$(a11y_address "$session")
    "$registry" > "$home/a11y-registry.log" 2>&1 &
    pids+=($!)
    wait_for "$hang" grep -qs "is running" "$home/a11y-registry.log" || fail "the accessibility registry did not start"
    a11y_env=(DBUS_SESSION_BUS_ADDRESS="$session"
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
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

# How long a wait for what is bound to happen may take before the test calls
# it a hang: far above what anything takes on a machine loaded many times over,
# so that a verdict never depends on how busy the machine is.
hang=60

# Runs "$@" until it succeeds or seconds pass.
wait_for() {
    local seconds=$1; shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# The bar's window: of the app's windows named "Meterix" the largest, for the
# status item's is named so too, and once its tray has gone it is a window of
# the root's like the bar (unmapped, and before or after the bar).
bar_window() {
    xwininfo -root -tree | awk '/"Meterix": \("meterix"/ && match($0, / [0-9]+x[0-9]+[+-]/) {
        split(substr($0, RSTART + 1, RLENGTH - 2), size, "x")
        if (size[1] * size[2] > largest) { largest = size[1] * size[2]; window = $1 }
    } END { if (window) print window }'
}
# x, y, width and height of a window on the screen.
geometry_of() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {print x, y, w, h}'; }
viewable() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

# The panel's window, and whether it is shown.
panel_window() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
panel_open() { viewable "$(panel_window)"; }
# what <name> (with $texts, $out and $home set): the app's elements as a
# screen reader reads them, kept as <out>/<name>.txt; those in the panel's
# window (not the bar's segments), one "role<TAB>name<TAB>description<TAB>box"
# a line, in <out>/<name>.screen.
what() {
    "$texts" Meterix > "$out/$1.txt" 2> "$home/texts.log" || fail "the app could not be read: $(cat "$home/texts.log")"
    local x y w h; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    awk -F'\t' -v x="$x" -v y="$y" -v w="$w" -v h="$h" '{ split($1, b, " "); cx = b[1] + b[3] / 2; cy = b[2] + b[4] / 2 }
        b[3] > 0 && b[4] > 0 && cx >= x && cx < x + w && cy >= y && cy < y + h { print $2 "\t" $3 "\t" $4 "\t" $1 }' \
        "$out/$1.txt" > "$out/$1.screen"
}
bar_geometry() { geometry_of "$1"; }
bar_mapped() { viewable "$(bar_window)"; }
# What the app wrote to its output: the messages it gives on a terminal.
log_has() { grep -q "$1" "$home/app.log"; }

# read_app: the app's elements as a screen reader reads them, one
# "box<TAB>role<TAB>name<TAB>description" a line, with the reader the script
# was given ($texts) or the one the test runner names (METERIX_ACCESSIBLE_TEXTS).
read_app() {
    "${texts:-${METERIX_ACCESSIBLE_TEXTS:?no accessible texts reader: set METERIX_ACCESSIBLE_TEXTS}}" Meterix \
        2> "$home/texts.log"
}
# segment_reads <provider> <pattern>: the provider's segment on the bar (a
# check box named after it) says what the extended regular expression matches.
segment_reads() {
    read_app | awk -F'\t' -v name="$1" -v pattern="$2" '
        $2 == "check box" && index($3, name) == 1 && $4 ~ pattern { found = 1 } END { exit !found }'
}
# A provider's segment shows a figure (with <percent> left), in either language.
figure_shown() { segment_reads "$1" "^(${2:-[0-9]+} percent left|잔여 ${2:-[0-9]+} 퍼센트)"; }
# Claude Code's segment shows a reading, or the one with <percent> left.
claude_shown() { figure_shown "Claude Code"; }
claude_shows() { figure_shown "Claude Code" "$1"; }
# Whether the app still has Claude Code's configuration open as it was before
# its last new reading (renamed over since): a fetch under way that will file
# the old figure. Told by the app's open files.
reading_old_claude_cache() { ls -l "/proc/$app_pid/fd" 2> /dev/null | grep -qF "$home/.claude.json (deleted)"; }
old_claude_cache_let_go() { ! reading_old_claude_cache; }

# The command that runs the app on the fixture home with a clean environment,
# on the accessibility bus, plus the NAME=value pairs given, in the array
# app_command. The refresh's debug lines are on for a failure's report (and
# for a log that goes on), not to wait on. The usage store holds its own
# gathered write for an hour, which no test waits out, so what is on disk
# after the app ended was written by its quit (a pair given may set another
# delay).
app_command() {
    start_a11y_bus
    mkdir -p "$home/run" && chmod 700 "$home/run"
    app_command=(env -i PATH="$PATH" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" HOME="$home"
        XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run"
        LANG=C.UTF-8 ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}"
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" QT_QPA_PLATFORM=xcb METERIX_STORE_WRITE_DELAY_MS=3600000
        QT_LOGGING_RULES="com.meterix.provider.debug=true" "${a11y_env[@]}" "$@" "$app")
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

# app_ended <how>: waits for the app to end, which it must before a hang
# (its quit waits for no fetch that is not about to end) and with status 0.
app_running() { [ -d "/proc/$app_pid" ] && [ "$(awk '{print $3}' "/proc/$app_pid/stat" 2>/dev/null)" != Z ]; }
app_gone() { ! app_running; }
app_ended() {
    local status=0
    wait_for "$hang" app_gone || fail "the app was still running $hang s after $1"
    wait "$app_pid" || status=$?
    [ $status -eq 0 ] || fail "the app exited with $status on $1"
}
terminate_app() { kill -TERM "$app_pid"; }
stop_app() {
    terminate_app
    app_ended SIGTERM
}

# quit_right_after_a_reading <refresh> <quit> [<prepare>]: quits the app (the
# command quit) right after it has shown a new reading, to prove that quitting
# writes out the usage store (which holds its own write: see app_command). After
# the command prepare, Claude Code's cache takes a figure the file has not
# held; once no fetch that may have read the older one is under way, the
# command refresh has it read, and the moment Claude Code's segment shows it
# the figure must not be on disk yet, and the quit follows. The caller then
# waits for the app's end (app_ended) and calls quit_wrote_the_reading.
quit_right_after_a_reading() {
    local refresh=$1 quit=$2 prepare=${3:-true}
    # A figure the file has not held before (kept above the weekly one).
    quit_left=$((${quit_left:-46} - 1))
    [ "$quit_left" -gt 5 ] || quit_left=45
    "$prepare"
    claude_cache_left "$quit_left"
    wait_for "$hang" old_claude_cache_let_go || fail "a fetch of Claude Code never ended"
    "$refresh"
    wait_for "$hang" claude_shows "$quit_left" || fail "the new reading of Claude Code was never shown"
    ! store_holds "$quit_left" ||
        fail "the usage store wrote a reading before the quit (is its write still held?)"
    "$quit"
}
# quit_wrote_the_reading: the figure filed just before the quit is on disk,
# under Claude Code's account.
quit_wrote_the_reading() {
    store_holds "$quit_left" || fail "the reading filed just before the quit was not saved: $(cat "$(usage_store)")"
    store_keeps_the_claude_account || fail "the stored reading lost Claude Code's account: $(cat "$(usage_store)")"
}
