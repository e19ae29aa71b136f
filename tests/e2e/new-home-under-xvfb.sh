#!/usr/bin/env bash
# End to end: the panel on a new user's home, its files in the shapes the
# vendors' own clients write them (tests/data/codex/SOURCES.md,
# tests/data/claude/SOURCES.md): Codex signed in with `codex login
# --with-api-key` and one offline session, Claude Code installed and never
# signed in. Read as a screen reader reads it, the panel counts Codex alone as
# connected and shows no tier (nothing has a figure); Codex's row and screen
# name the API-key sign-in and give no sign-in advice.
#
#   new-home-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 diff=$3 texts=$4 out=$5
mkdir -p "$out"
data="$(cd "$(dirname "$0")/../data" && pwd)"

# Codex: the auth.json `codex login --with-api-key` writes (owner-only), and a
# session begun after it that never heard back (no token counts). Claude Code:
# what its first start writes before anyone signs in.
home=$(mktemp -d)
mkdir -p "$home/.codex/sessions/2026/12/10" "$home/.claude"
install -m 600 "$data/codex/auth-apikey.json" "$home/.codex/auth.json"
touch -d '2026-12-10 09:00:00Z' "$home/.codex/auth.json"
head -3 "$data/codex/rollout-2026-12-10T11-00-00-019b0a1c.jsonl" > "$home/.codex/sessions/2026/12/10/rollout-1.jsonl"
cp "$data/claude/claude-fresh-install.json" "$home/.claude.json"

named() { cut -f2 "$out/$1.screen" | grep -qxF "$2"; }
says() { grep -qF "$2" "$out/$1.screen"; }
reads() { what "$1" && named "$1" "$2"; }
# still: the panel shows what it showed a poll ago (no slide under way).
still() {
    local x y w h same=1; read -r x y w h <<< "$(geometry_of "$(panel_window)")"
    "$grab" "$home/now.png" || return 1
    if [ -f "$home/last.png" ] && [ "$("$diff" "$home/last.png" "$home/now.png" "$x" "$y" "$w" "$h")" = 0 ]; then same=0; fi
    mv "$home/now.png" "$home/last.png"
    return $same
}
shot() { rm -f "$home/last.png"; wait_for "$hang" still || fail "$1 never held still"; cp "$home/last.png" "$out/$1.png"; }

start_a11y_bus
start_app
wait_for "$hang" bar_mapped || fail "the bar never showed"
wait_for "$hang" segment_reads "Codex" "Signed in with an API key" || fail "Codex was never read"
run_app > "$home/second.log" 2>&1 || fail "the second start failed" # without a tray it opens the panel
wait_for "$hang" panel_open || fail "a second start did not open the panel"

# The overview: one provider connected, no tier, each row saying why.
wait_for "$hang" reads overview "1 connected · Updated just now" || fail "the header does not count Codex alone: $(cat "$out/overview.screen")"
for tier in Abundant Steady Caution Critical; do ! named overview "$tier" || fail "the header shows \"$tier\" with no figure read"; done
says overview "Codex, no data (Signed in with an API key)" || fail "Codex's row does not name the API-key sign-in"
says overview "Claude Code, no data (Not connected)" || fail "Claude Code's row is not \"Not connected\""
shot new-home-overview

# Codex's screen: the sign-in named and explained; no "Not connected", no sign-in advice.
read -r x y w h <<< "$(awk -F'\t' '$1 == "push button" && index($2, "Codex,") == 1 {print $4; exit}' "$out/overview.screen")"
[ -n "${h:-}" ] || fail "no row of Codex's to click"
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
wait_for "$hang" reads codex-screen "API-key usage is billed by token" || fail "Codex's screen does not explain the API-key sign-in: $(cat "$out/codex-screen.screen")"
# Read again once the slide from the overview has ended.
shot new-home-codex-screen
what codex-screen
named codex-screen "Signed in with an API key" || fail "Codex's screen does not name the API-key sign-in"
! says codex-screen "Check that the CLI or app is signed in" || fail "Codex's screen asks to sign in although Codex is signed in"
! says codex-screen "Not connected" || fail "Codex's screen calls a signed-in Codex \"Not connected\""
stop_app
echo "PASS: a new user's home under Xvfb; screenshots in $out"
