#!/usr/bin/env bash
# End to end: the real app started as `meterix 2>&1 | head -1` outlives the
# reader of its log. Once head has taken the first line and gone, the app
# logs on (a click on Claude Code's segment opens its card and fetches it),
# and it ends only when asked, by SIGTERM, with status 0, its readings saved
# and its single-instance socket given back. The quit comes while a fetch
# cannot end (the panel, opened by a second start, asks an Ollama that takes
# connections but never answers): the time from the SIGTERM to the app's end
# is printed.
#
#   broken-pipe-under-xvfb.sh <meterix>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 1 "<meterix>" "$@"
app=$1
make_home

# An Ollama on the fixture home (its client, and a server on a port of its own
# that accepts connections and never answers them).
mkdir -p "$home/.local/bin"
printf '#!/bin/sh\nexit 0\n' > "$home/.local/bin/ollama"
chmod 755 "$home/.local/bin/ollama"
python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(64)
print(s.getsockname()[1], flush=True); time.sleep(3600)' > "$home/ollama-port" &
pids+=($!)
wait_for "$hang" test -s "$home/ollama-port" || fail "the silent Ollama did not start"
port=$(cat "$home/ollama-port")
# A connection to it that the app has open now: a fetch waiting for an answer.
ollama_waited_on() { awk -v port="$(printf ':%04X' "$port")" '$2 ~ port"$" && $4 == "01"' /proc/net/tcp | grep -q .; }

# The app's standard output and error go to head, which ends after one line.
exec {to_head}> >(exec head -1 > "$home/first-line")
head_pid=$!
app_command OLLAMA_HOST="127.0.0.1:$port"
"${app_command[@]}" >&"$to_head" 2>&1 &
app_pid=$!
pids+=("$app_pid")
exec {to_head}>&-
wait "$head_pid" || fail "head did not end well"
[ -s "$home/first-line" ] || fail "the app wrote nothing before head ended"

# "$@", or at once a verdict when the app has ended unasked.
running_and() {
    local status=0
    app_running || { wait "$app_pid" || status=$?; fail "the app ended unasked, with status $status"; }
    "$@"
}
wait_for "$hang" running_and bar_mapped || fail "the bar never showed"
# The start-up's refresh has ended once the watcher watches the tools' folders.
watching() { grep -qs '^inotify wd:' /proc/"$app_pid"/fdinfo/*; }
wait_for "$hang" running_and watching || fail "the app never watched the tools' folders"
read -r x y _ h <<< "$(bar_geometry "$(bar_window)")"
# Claude Code's segment: bleed, handle and divider, half a label; the cat's room.
xdotool mousemove $((x + 20 + 23 + 33)) $((y + 20 + 20 + 17)) click 1
# The card opens in the same turn that logs Claude Code's fetch.
card_open() { local geometry; geometry=$(bar_geometry "$(bar_window)"); [ "${geometry##* }" -gt "$h" ]; }
wait_for "$hang" running_and card_open || fail "a click on Claude Code's segment did not open its card"

# A second start opens the panel, which asks every provider, Ollama too.
app_command
"${app_command[@]}" > "$home/second.log" 2>&1 || fail "the second start failed: $(cat "$home/second.log")"
wait_for "$hang" running_and ollama_waited_on || fail "the panel's refresh did not ask Ollama"
running_and true

asked=$(date +%s%N)
kill -TERM "$app_pid"
deadline=$((SECONDS + hang))
while app_running && [ $SECONDS -lt $deadline ]; do sleep 0.01; done
ended=$(date +%s%N)
echo "the quit took $(((ended - asked) / 1000000)) ms from SIGTERM to the end of the process"
app_ended "SIGTERM after its log's reader had gone"
store_holds 70 || fail "the readings were not saved: $(cat "$(usage_store)" 2>/dev/null)"
store_keeps_the_claude_account || fail "the stored reading lost Claude Code's account: $(cat "$(usage_store)")"
[ ! -e "$home/run/meterix.sock" ] || fail "the single-instance socket was left behind"
echo "PASS: with its log's reader gone the app logged on, quit only when asked, status 0, its readings saved"
