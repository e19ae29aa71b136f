#!/usr/bin/env bash
# Long-run memory and idle cost of the real app beside the reference window
# (bench/reference, the same libraries drawing the same kind of text), both on
# one virtual X display with a tray host and a fixture home in daily use (all
# fourteen providers on the bar, a desktop app's account, $SOAK_PROJECTS
# Claude project folders, 2000 by default). Reports:
#   - resident memory at 10 s and 60 s of each, and the app's ratio to the reference;
#   - the threads of each at 60 s (the app's by name);
#   - the app's resident memory and threads every minute, and its growth over the 60 s figure;
#   - CPU time of all the app's threads over 60 s with one 45 s poll in it (50 s..110 s);
#   - wake-ups of each of the app's threads over 40 s between two polls (92 s..132 s);
#   - the CPU time between polls (100 s..130 s, after the store's write), and
#     that of the poll at 135 s, which changes no figure: all threads' time
#     over 132 s..140 s less that of 8 s at the rate between the polls.
#
#   bench/soak.sh [minutes] [meterix binary] [reference binary]
# Binaries default to the optimised build in build/release (built with the
# benchmarks when missing). Needs xvfb-run and trayer (scripts/install-deps).
#
# SOAK_KEYS=1 gives the home an API key for each keyed provider (their requests
# failing offline) and compares with the reference window that sets up libcurl
# and OpenSSL once, as the app must for its first request. That run has a
# network of its own with nothing but loopback in it (unshare), so no request
# leaves the machine, whatever the keys' hosts.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/common.sh"
minutes=${1:-30}
app=${2:-$root/build/release/src/meterix}
ref=${3:-$root/build/release/bench/ReferenceApp}

if [ "${INSIDE_XVFB:-}" != 1 ]; then
    if [ ! -x "$app" ] || [ ! -x "$ref" ]; then
        cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMETERIX_BENCH=ON >/dev/null
        cmake --build "$root/build/release" --parallel 4 --target meterix ReferenceApp >/dev/null
    fi
    offline=()
    if [ "${SOAK_KEYS:-0}" = 1 ]; then
        unshare --net --map-current-user true 2>/dev/null ||
            { echo "soak.sh: SOAK_KEYS=1 needs a network namespace of its own (unshare)" >&2; exit 1; }
        offline=(unshare --net --map-current-user sh -c 'ip link set lo up 2>/dev/null; exec "$@"' soak)
    fi
    INSIDE_XVFB=1 exec "${offline[@]}" xvfb-run -a -s "-screen 0 1440x900x24 -nolisten tcp" "$0" "$minutes" "$app" "$ref"
fi

home=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
    sleep 1
    for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true # nothing may still write into the home while it goes
    for p in "${pids[@]}"; do # the apps are not this shell's children: wait for them to go
        for ((i = 0; i < 50; i++)); do [ -d "/proc/$p" ] && [ "$(awk '{print $3}' "/proc/$p/stat" 2>/dev/null)" != Z ] && sleep 0.1 || break; done
    done
    rm -rf "$home"
}
trap cleanup EXIT

"$root/tests/e2e/make-fixture-home.sh" "$home"
# A home in daily use on top of it: every provider on the bar (those without a
# key or a local server fail at once, no network needed), the Claude desktop
# app's account (so running applications are watched) and a few thousand
# Claude project folders with a session log each.
mkdir -p "$home/.config/Meterix" "$home/.config/Claude"
all='[\"claude\",\"codex\",\"agy\",\"cursor\",\"copilot\",\"deepseek\",\"openrouter\",\"groq\",\"ollama\",\"mistral\",\"kimi\",\"elevenlabs\",\"windsurf\",\"zed\"]'
printf '[General]\nenabledProvidersJSON="%s"\nhasCustomizedProviders=true\n' "$all" >"$home/.config/Meterix/Meterix.conf"
# SOAK_CAT=0 takes the pixel cat off the bar (it animates for as long as it is shown).
[ "${SOAK_CAT:-1}" = 1 ] || printf 'pixelCatEnabled=false\n' >>"$home/.config/Meterix/Meterix.conf"
printf '{"lastKnownAccountUuid":"u-1"}\n' >"$home/.config/Claude/config.json"
ref_args=()
if [ "${SOAK_KEYS:-0}" = 1 ]; then
    for p in deepseek openrouter groq moonshot mistral elevenlabs; do
        mkdir -p "$home/.config/$p"
        printf 'sk-soak-%s-0123456789abcdef\n' "$p" >"$home/.config/$p/api_key"
    done
    mkdir -p "$home/.config/github-copilot"
    printf '{"github.com":{"user":"dev","oauth_token":"gho_soak0123456789abcdef"}}\n' \
        >"$home/.config/github-copilot/hosts.json"
    ref_args=(--curl)
fi
for ((i = 0; i < ${SOAK_PROJECTS:-2000}; i++)); do
    mkdir -p "$home/.claude/projects/-home-dev-src-project-$i"
    printf '{"type":"user"}\n' >"$home/.claude/projects/-home-dev-src-project-$i/session.jsonl"
done
trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true >/dev/null 2>&1 &
pids+=($!)
sleep 1

home_env "$home"
launch() {
    "${app_env[@]}" "$@" >>"$home/$(basename "$1").log" 2>&1 &
    echo $!
}
start=$SECONDS
# launch runs in a subshell of its own: the pids are noted here for the clean-up.
app_pid=$(launch "$app")
ref_pid=$(launch "$ref" "${ref_args[@]}")
pids+=("$app_pid" "$ref_pid")

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
# The resident memory's parts: the heap and other private memory, and pages of
# mapped files (code and data of the libraries, fonts), in KiB.
rss_parts() { awk '/^RssAnon:/ {a = $2} /^RssFile:/ {f = $2} END {printf "anon %.1f MiB, files %.1f MiB", a / 1024, f / 1024}' "/proc/$1/status"; }
threads() { ls "/proc/$1/task" | wc -l; }
# The threads' names with their counts, "name xN" where several share one.
thread_names() { cat /proc/"$1"/task/*/comm | sort | uniq -c |
    awk '{n = $1; sub(/^ *[0-9]+ /, ""); printf "%s%s%s", sep, $0, (n > 1 ? " x" n : ""); sep = ", "}'; }
# utime + stime of the whole process, in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# "tid name voluntary switches" for each thread: each is one wake-up after a wait.
switches() {
    for t in /proc/"$1"/task/*; do
        printf '%s %s %s\n' "$(basename "$t")" "$(tr ' ' _ <"$t/comm")" \
            "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")"
    done | sort
}
at() { # waits until second $1 of the run
    local left=$(($1 - (SECONDS - start)))
    [ $left -le 0 ] || sleep $left
    kill -0 "$app_pid" 2>/dev/null || { echo "the app died; its log:"; tail -20 "$home/meterix.log"; exit 1; }
}
mib() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

at 10
a10=$(rss "$app_pid") r10=$(rss "$ref_pid")
echo "10 s: app $(mib "$a10") MiB, reference $(mib "$r10") MiB, ratio $(ratio "$a10" "$r10")"
at 50
cpu50=$(cpu_ticks "$app_pid")
at 60
a60=$(rss "$app_pid") r60=$(rss "$ref_pid")
echo "60 s: app $(mib "$a60") MiB ($(rss_parts "$app_pid")), reference $(mib "$r60") MiB, ratio $(ratio "$a60" "$r60")"
echo "threads at 60 s: app $(threads "$app_pid") ($(thread_names "$app_pid")), reference $(threads "$ref_pid")"
if [ "$minutes" -ge 3 ]; then
    at 92
    switches "$app_pid" >"$home/switches.before"
    at 100 # the store's write after the poll at 90 s is over
    idle0=$(cpu_ns "$app_pid")
    at 110
    hz=$(getconf CLK_TCK)
    awk -v a="$cpu50" -v b="$(cpu_ticks "$app_pid")" -v hz="$hz" \
        'BEGIN {printf "CPU over 60 s with one poll (50 s..110 s): %.0f ms, %.2f %% of a core\n", (b - a) * 1000 / hz, (b - a) * 100 / hz / 60}'
    at 130
    idle1=$(cpu_ns "$app_pid")
    at 132
    switches "$app_pid" >"$home/switches.after"
    idle2=$(cpu_ns "$app_pid")
    at 140
    poll1=$(cpu_ns "$app_pid")
    echo "wake-ups per thread over 40 s between polls (92 s..132 s):"
    join "$home/switches.before" "$home/switches.after" |
        awk '{d = $5 - $3; printf "  %-8s %-18s %d\n", $1, $2, d}'
    awk -v i0="$idle0" -v i1="$idle1" -v i2="$idle2" -v p1="$poll1" 'BEGIN {
        rate = (i1 - i0) / 30
        printf "CPU between polls (100 s..130 s): %.2f ms a second, %.2f ms per 10 s\n", rate / 1e6, rate * 10 / 1e6
        printf "CPU of the poll at 135 s (132 s..140 s less 8 s between polls): %.1f ms\n", (p1 - i2 - 8 * rate) / 1e6 }'
fi
for ((m = 2; m <= minutes; m++)); do
    at $((m * 60))
    a=$(rss "$app_pid") r=$(rss "$ref_pid")
    echo "$m min: app $(mib "$a") MiB ($(awk -v a="$a" -v b="$a60" 'BEGIN {printf "%+.1f", (a - b) / 1024}') MiB over 60 s; $(rss_parts "$app_pid"); $(threads "$app_pid") threads), reference $(mib "$r") MiB"
done
