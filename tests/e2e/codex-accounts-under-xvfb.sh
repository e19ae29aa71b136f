#!/usr/bin/env bash
# End to end: Codex with two accounts, in the shapes the client writes them
# (tests/data/codex/SOURCES.md): ~/.codex signed in and read five minutes ago
# (77 % of its five-hour window left), ~/.codex-work signed in to another
# account and never read. Read as a screen reader reads it, Codex's screen
# marks the account whose reading the bar shows (the newest, still to be
# read), and its refresh, pressed right after the screen read Codex, says from
# when it can read again.
#
#   codex-accounts-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 diff=$3 texts=$4 out=$5
mkdir -p "$out"
data="$(cd "$(dirname "$0")/../data" && pwd)"

home=$(mktemp -d)
day=$(date -u +%Y/%m/%d)
mkdir -p "$home/.codex/sessions/$day" "$home/.codex-work"
install -m 600 "$data/codex/auth-chatgpt.json" "$home/.codex/auth.json"
touch -d '-1 day' "$home/.codex/auth.json"
# The session began and was read five minutes ago; its windows reset later.
began=$(date -u -d '-6 min' +%Y-%m-%dT%H:%M:%S.000Z) read_at=$(date -u -d '-5 min' +%Y-%m-%dT%H:%M:%S.000Z)
sed -n '1p;4p' "$data/codex/rollout-2026-12-10T11-00-00-019b0a1c.jsonl" |
    sed -e "1s/\"timestamp\":\"[^\"]*\"/\"timestamp\":\"$began\"/g" -e "2s/\"timestamp\":\"[^\"]*\"/\"timestamp\":\"$read_at\"/" \
        -e 's/"used_percent":21.0/"used_percent":23.0/' \
        -e "s/\"resets_at\":1796911200/\"resets_at\":$(($(date +%s) + 3600))/" \
        -e "s/\"resets_at\":1797292800/\"resets_at\":$(($(date +%s) + 5 * 86400))/" \
        > "$home/.codex/sessions/$day/rollout-1.jsonl"
# The other account: the same file with the claims of work@example.com.
b64url() { base64 -w0 | tr '+/' '-_' | tr -d '='; }
claims=$(printf '{"email":"work@example.com","exp":1797724800,"https://api.openai.com/auth":{"chatgpt_account_id":"7c2e9a41-0b3d-4f6e-8a15-3d9c2b7e6f10","chatgpt_plan_type":"plus"}}' | b64url)
header=$(printf '{"alg":"RS256","typ":"JWT"}' | b64url)
sed -e "s/\"id_token\": \"[^\"]*\"/\"id_token\": \"$header.$claims.c2ln\"/" \
    -e 's/"account_id": "[^"]*"/"account_id": "7c2e9a41-0b3d-4f6e-8a15-3d9c2b7e6f10"/' \
    "$data/codex/auth-chatgpt.json" > "$home/.codex-work/auth.json"
chmod 600 "$home/.codex-work/auth.json"

panel_window() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
panel_open() { viewable "$(panel_window)"; }
# what <name>: the panel's elements as a screen reader reads them, one
# "role<TAB>name<TAB>description<TAB>box" a line, in <out>/<name>.screen.
what() {
    "$texts" Meterix > "$out/$1.txt" 2> "$home/texts.log" || fail "the app could not be read: $(cat "$home/texts.log")"
    local x y w h; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    awk -F'\t' -v x="$x" -v y="$y" -v w="$w" -v h="$h" '{ split($1, b, " "); cx = b[1] + b[3] / 2; cy = b[2] + b[4] / 2 }
        b[3] > 0 && b[4] > 0 && cx >= x && cx < x + w && cy >= y && cy < y + h { print $2 "\t" $3 "\t" $4 "\t" $1 }' \
        "$out/$1.txt" > "$out/$1.screen"
}
says() { grep -qF "$2" "$out/$1.screen"; }
reads() { what "$1" && says "$1" "$2"; }
click() {
    local x y w h; read -r x y w h <<< "$(awk -F'\t' -v n="$2" '$1 == "push button" && index($2, n) == 1 {print $4; exit}' "$out/$1.screen")"
    [ -n "${h:-}" ] || fail "no \"$2\" to click on $1"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}
still() {
    local x y w h same=1; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    "$grab" "$home/now.png" || return 1
    if [ -f "$home/last.png" ] && [ "$("$diff" "$home/last.png" "$home/now.png" "$x" "$y" "$w" "$h")" = 0 ]; then same=0; fi
    mv "$home/now.png" "$home/last.png"
    return $same
}
shot() { rm -f "$home/last.png"; wait_for "$hang" still || fail "$1 never held still"; cp "$home/last.png" "$out/$1.png"; }

start_a11y_bus
start_app "${a11y_env[@]}"
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" log_has "Updated 2 snapshot(s) for codex" || fail "Codex's two accounts were never read"
wait_for "$hang" nothing_in_flight || fail "a refresh never ended"
run_app > "$home/second.log" 2>&1 || fail "the second start failed" # without a tray it opens the panel
wait_for "$hang" panel_open || fail "a second start did not open the panel"
wait_for "$hang" reads overview "1 connected" || fail "the header does not count Codex: $(cat "$out/overview.screen")"

# Codex's screen: the account the bar follows is marked, though not read yet.
click overview "Codex,"
wait_for "$hang" reads codex-screen "w***@example.com, CLI, On the bar" ||
    fail "Codex's screen does not mark the account on the bar: $(cat "$out/codex-screen.screen")"
! says codex-screen "d***@example.com, CLI, On the bar" || fail "both accounts are marked as on the bar"
shot codex-two-accounts
# The screen has just read Codex: a refresh says from when it can read again.
click codex-screen "Refresh this provider"
wait_for 10 reads codex-refresh "Can read again in" || fail "the refresh said nothing: $(cat "$out/codex-refresh.screen")"
shot codex-refresh-waits
stop_app
echo "PASS: Codex with two accounts under Xvfb; screenshots in $out"
