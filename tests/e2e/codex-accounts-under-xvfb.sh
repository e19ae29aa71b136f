#!/usr/bin/env bash
# End to end: Codex with two accounts in the shapes the client writes them
# (tests/data/codex/SOURCES.md): ~/.codex read five minutes ago, ~/.codex-work
# signed in to another account and never read. Read as a screen reader reads
# it, Codex's screen marks the account whose reading the bar shows (the newest,
# still to come), and a refresh right after the screen read Codex says from
# when it can read again.
#
#   codex-accounts-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 texts=$4 out=$5
mkdir -p "$out"
data="$(cd "$(dirname "$0")/../data" && pwd)"
home=$(mktemp -d) sessions="$home/.codex/sessions/$(date -u +%Y/%m/%d)"
mkdir -p "$sessions" "$home/.codex-work"
install -m 600 "$data/codex/auth-chatgpt.json" "$home/.codex/auth.json"
touch -d '-1 day' "$home/.codex/auth.json"
at() { date -u -d "$1" +%Y-%m-%dT%H:%M:%S.000Z; }
sed -n '1p;4p' "$data/codex/rollout-2026-12-10T11-00-00-019b0a1c.jsonl" |
    sed -e "1s/\"timestamp\":\"[^\"]*\"/\"timestamp\":\"$(at '-6 min')\"/g" \
        -e "2s/\"timestamp\":\"[^\"]*\"/\"timestamp\":\"$(at '-5 min')\"/" -e "s/\"resets_at\":[0-9]*/\"resets_at\":$(($(date +%s) + 3600))/g" \
        > "$sessions/rollout-1.jsonl"
b64url() { base64 -w0 | tr '+/' '-_' | tr -d '='; }
claims=$(printf '{"email":"work@example.com","https://api.openai.com/auth":{"chatgpt_account_id":"7c2e9a41"}}' | b64url)
sed -e "s/\"id_token\": \"[^\"]*\"/\"id_token\": \"$(printf '{"alg":"none"}' | b64url).$claims.c2ln\"/" \
    -e 's/"account_id": "[^"]*"/"account_id": "7c2e9a41"/' "$data/codex/auth-chatgpt.json" > "$home/.codex-work/auth.json"
chmod 600 "$home/.codex-work/auth.json"

reads() { "$texts" Meterix > "$out/$1.txt" 2> "$home/texts.log" && grep -qF "$2" "$out/$1.txt"; }
click() {
    local x y w h; read -r x y w h <<< "$(awk -F'\t' -v n="$2" '$2 == "push button" && index($3, n) == 1 {print $1; exit}' "$out/$1.txt")"
    [ -n "${h:-}" ] || fail "no \"$2\" to click"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}
start_a11y_bus
# Codex's screen below waits for its readings.
start_app
wait_for "$hang" bar_mapped || fail "the bar never showed"
run_app > "$home/second.log" 2>&1 || fail "the second start failed" # without a tray it opens the panel
wait_for "$hang" reads overview "Codex," || fail "the panel never showed Codex"
click overview "Codex,"
wait_for "$hang" reads codex "w***@example.com, CLI, On the bar" || fail "the account on the bar is not marked: $(cat "$out/codex.txt")"
! grep -qF "d***@example.com, CLI, On the bar" "$out/codex.txt" || fail "both accounts are marked as on the bar"
click codex "Refresh this provider"
wait_for 10 reads refreshed "Can read again in" || fail "the refresh said nothing"
"$grab" "$out/codex-two-accounts.png" # for a look: the mark, and the refresh's answer
stop_app
echo "PASS: Codex with two accounts under Xvfb; screenshots in $out"
