#!/usr/bin/env bash
# End to end: the panel on a new user's home, its files in the shapes the
# vendors' own clients write them (tests/data/codex/SOURCES.md,
# tests/data/claude/SOURCES.md): Codex signed in with `codex login
# --with-api-key` and one offline session, Claude Code installed and never
# signed in. Read as a screen reader reads it, the panel counts Codex alone as
# connected and shows no tier (nothing has a figure); Codex's row and its
# screen name the API-key sign-in and give no sign-in advice, which Claude
# Code's row alone carries as "Not connected".
#
#   new-home-under-xvfb.sh <meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
start_display 5 "<meterix> <screen-grab> <screen-diff> <accessible-texts> <output folder>" "$@"
app=$1 grab=$2 diff=$3 texts=$4 out=$5
mkdir -p "$out"
data="$(cd "$(dirname "$0")/../data" && pwd)"

# The home. Codex: `codex login --with-api-key` writes auth.json, pretty-printed
# and private to its owner; a session begun after it, offline, that never
# heard back (no token counts, so no rate limits).
home=$(mktemp -d)
mkdir -p "$home/.codex/sessions/2026/12/10" "$home/.claude"
install -m 600 "$data/codex/auth-apikey.json" "$home/.codex/auth.json"
touch -d '2026-12-10 09:00:00Z' "$home/.codex/auth.json"
head -3 "$data/codex/rollout-2026-12-10T11-00-00-019b0a1c.jsonl" \
    > "$home/.codex/sessions/2026/12/10/rollout-2026-12-10T11-00-00-019b0a1c.jsonl"
# Claude Code: what its first start writes before anyone signs in (startup
# count, install method, updates, tips; no account, no credentials).
cp "$data/claude/claude-fresh-install.json" "$home/.claude.json"

panel_window() { xwininfo -root -tree | awk '/"Meterix panel": \("meterix"/ {print $1; exit}'; }
panel_open() { viewable "$(panel_window)"; }
# Without a tray a second start toggles the first one's panel; the screens lie
# inside the card's margin (18 pt), below its title bar (63 pt), inset 12 and 10.
open_panel() {
    run_app > "$home/second.log" 2>&1 || fail "the second start failed"
    wait_for 10 panel_open || fail "a second start did not open the panel"
    read -r px py _ _ <<< "$(geometry_of "$(panel_window)")"
    stack_x=$((px + 18 + 12)) stack_y=$((py + 18 + 63 + 10)) stack_w=$((336 - 24))
}
shot() { "$grab" "$out/$1.png" || fail "no screenshot"; }
# still: the screens' area shows what it showed a poll ago (no slide under way).
still() {
    "$grab" "$home/now.png" || return 1
    local same=1
    [ -f "$home/last.png" ] && [ "$("$diff" "$home/last.png" "$home/now.png" "$stack_x" "$stack_y" "$stack_w" 540)" = 0 ] && same=0
    mv "$home/now.png" "$home/last.png"
    return $same
}
held_still() { rm -f "$home/last.png"; wait_for 10 still; }
# read_texts <name>: what the app shows and speaks now, kept as <out>/<name>.txt
# (box, role, name, description; a tab between them).
read_texts() { "$texts" Meterix > "$out/$1.txt" 2> "$home/texts.log" || fail "the app could not be read: $(cat "$home/texts.log")"; }
# shows <name> <text>: an element on the screen (a box of its own) is named so.
shows() { awk -F'\t' -v t="$2" '{ split($1, b, " ") } b[3] > 0 && b[4] > 0 && $3 == t { found = 1 } END { exit !found }' "$out/$1.txt"; }
reads() { read_texts "$1" && shows "$1" "$2"; }
# speaks <name> <text>: some name or description in the panel's screens holds
# the text (the bar's segments, on the screen too, speak for themselves).
speaks() {
    awk -F'\t' -v t="$2" -v area="$stack_x $stack_y $stack_w 540" 'BEGIN { split(area, a, " ") }
        { split($1, b, " "); cx = b[1] + b[3] / 2; cy = b[2] + b[4] / 2 }
        b[3] > 0 && b[4] > 0 && cx >= a[1] && cx < a[1] + a[3] && cy >= a[2] && cy < a[2] + a[4] &&
            (index($3, t) || index($4, t)) { found = 1 }
        END { exit !found }' "$out/$1.txt"
}
element() {
    awk -F'\t' -v role="$2" -v name="$3" '$2 == role && index($3, name) == 1 { split($1, b, " "); if (b[3] > 0 && b[4] > 0) { print $1; exit } }' "$out/$1.txt"
}
click_at() {
    local x y w h; read -r x y w h <<< "$2"
    [ -n "${h:-}" ] || fail "no $1 to click: $(cat "$out/overview.txt")"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

start_a11y_bus
start_app "${a11y_env[@]}"
wait_for 30 bar_mapped || fail "the bar never showed"
wait_for 30 log_has "snapshot(s) for codex" || fail "Codex was never read"
wait_for 30 nothing_in_flight || fail "a refresh never ended"
open_panel

# 1. The overview: one provider connected, no tier, each row saying why.
wait_for 10 reads overview "1 connected · Updated just now" ||
    fail "the header does not count Codex alone: $(cut -f3 "$out/overview.txt" | head -30)"
for tier in Abundant Steady Caution Critical; do
    ! shows overview "$tier" || fail "the header shows the tier \"$tier\" with no figure read"
done
speaks overview "Codex, no data (Signed in with an API key)" ||
    fail "Codex's row does not name the API-key sign-in: $(cut -f3 "$out/overview.txt")"
speaks overview "Claude Code, no data (Not connected)" || fail "Claude Code's row is not \"Not connected\""
held_still || fail "the overview never held still"
shot new-home-overview

# 2. Codex's screen: the sign-in named, the reason explained, no sign-in advice.
click_at "Codex's row" "$(element overview "push button" "Codex,")"
wait_for 10 reads codex-screen "Signed in with an API key" ||
    fail "Codex's screen does not name the API-key sign-in: $(cut -f3 "$out/codex-screen.txt")"
wait_for 10 reads codex-screen "API-key usage is billed by token" ||
    fail "Codex's screen does not explain the API-key sign-in: $(cut -f3 "$out/codex-screen.txt")"
! speaks codex-screen "Check that the CLI or app is signed in" ||
    fail "Codex's screen asks to sign in although Codex is signed in"
! speaks codex-screen "Not connected" || fail "Codex's screen calls a signed-in Codex \"Not connected\""
held_still || fail "Codex's screen never held still"
shot new-home-codex-screen
stop_app

# 3. The same in Korean, after a restart with the language chosen.
settings="$home/.config/Meterix/Meterix.conf"
if grep -q '^appLanguage=' "$settings" 2>/dev/null; then
    sed -i 's/^appLanguage=.*/appLanguage=korean/' "$settings"
elif grep -q '^\[General\]' "$settings" 2>/dev/null; then
    sed -i '/^\[General\]/a appLanguage=korean' "$settings"
else
    mkdir -p "$(dirname "$settings")" && printf '[General]\nappLanguage=korean\n' >> "$settings"
fi
start_app "${a11y_env[@]}"
wait_for 30 bar_mapped || fail "the bar never showed after the restart"
wait_for 30 nothing_in_flight || fail "a refresh never ended after the restart"
open_panel
wait_for 10 reads overview-korean "1개 연결 · 방금 업데이트" ||
    fail "the Korean header does not count Codex alone: $(cut -f3 "$out/overview-korean.txt" | head -30)"
for tier in 여유 안정 주의 임박; do
    ! shows overview-korean "$tier" || fail "the Korean header shows the tier \"$tier\" with no figure read"
done
speaks overview-korean "Codex, 데이터 없음 (API 키로 로그인됨)" || fail "Codex's Korean row does not name the API-key sign-in"
speaks overview-korean "Claude Code, 데이터 없음 (미연결)" || fail "Claude Code's Korean row is not \"미연결\""
held_still || fail "the Korean overview never held still"
shot new-home-overview-korean
stop_app
echo "PASS: a new user's home under Xvfb; screenshots in $out"
