#!/usr/bin/env bash
# End to end: the app's data folder on a file system that fills up. A first
# run saves its stores; then the disk is full, and a second run that reads
# Claude Code anew (a new figure) and meets a new Codex profile cannot write
# them: both files stay byte for byte as they were, no half-written copy is
# left, and the log says so. Once space returns, the quit writes the readings
# and the new profile it kept in memory.
#
# It needs a small file system of its own (a tmpfs mounted over the fixture
# home's data folder), which only root may mount; without it the test is
# skipped (status 77).
#
#   full-disk-under-xvfb.sh <meterix>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 1 "<meterix>" "$@"
app=$1
data="$(cd "$(dirname "$0")/../data" && pwd)"
make_home

# Codex signed in with a session that has rate limits, so its account's switch
# boundaries are asked for (and the identity ledger written).
mkdir -p "$home/.codex/sessions/2026/12/10"
install -m 600 "$data/codex/auth-chatgpt.json" "$home/.codex/auth.json"
cp "$data/codex/rollout-2026-12-10T11-00-00-019b0a1c.jsonl" "$home/.codex/sessions/2026/12/10/"

disk="$home/.local/share"
eval "lib_$(declare -f cleanup)"
cleanup() {
    for p in "${pids[@]}"; do { kill -9 "$p" && wait "$p"; } 2>/dev/null || true; done
    if mountpoint -q "$disk" 2>/dev/null; then umount "$disk" 2>/dev/null || umount -l "$disk" || true; fi
    lib_cleanup
}
if ! mount -t tmpfs -o size=512k,mode=0755 meterix-full-disk "$disk" 2>/dev/null; then
    echo "SKIP: no small file system could be mounted (needs root)"
    exit 77
fi
folder="$disk/Meterix"
usage="$folder/account-usage.json" ledger="$folder/account-identity.json"

# Codex's segment names its account: a reading has come (the placeholder names none).
codex_shown() { segment_reads "Codex, " ""; }

# The first run: the stores are written at the quit.
start_app
wait_for "$hang" claude_shown || fail "no Claude Code reading on the bar"
wait_for "$hang" codex_shown || fail "no Codex reading on the bar"
stop_app
store_holds 70 || fail "the first run did not save Claude Code's reading: $(cat "$usage")"
grep -qF "\"codex|$home/.codex\"" "$ledger" || fail "the first run did not save Codex's profile: $(cat "$ledger")"
[ "$(stat -c %a "$folder")" = 700 ] || fail "the data folder is $(stat -c %a "$folder"), not owner-only"
cp "$usage" "$home/usage.before"
cp "$ledger" "$home/ledger.before"

# The disk fills up to its last byte.
dd if=/dev/zero of="$disk/filler" bs=64k 2>/dev/null || true
dd if=/dev/zero of="$disk/filler-rest" bs=1 2>/dev/null || true
! (echo x > "$disk/probe") 2>/dev/null || fail "the disk still takes a write"

# The second run on the full disk, each reading written at once (no gathering
# delay): a new Claude Code figure and a second Codex profile.
claude_cache_left 45
cp -a "$home/.codex" "$home/.codex-work"
start_app METERIX_STORE_WRITE_DELAY_MS=0
wait_for "$hang" claude_shows 45 || fail "the new reading of Claude Code was never shown"
wait_for "$hang" codex_shown || fail "no Codex reading on the bar"
# A failed write shows nowhere but in what the app writes to its log.
wait_for "$hang" log_has "could not write account-usage.json" || fail "the usage store's failed write went unsaid"
wait_for "$hang" log_has "could not write account-identity.json" || fail "the ledger's failed write went unsaid"
cmp -s "$usage" "$home/usage.before" || fail "the full disk changed the usage store: $(head -c 300 "$usage")"
cmp -s "$ledger" "$home/ledger.before" || fail "the full disk changed the ledger: $(head -c 300 "$ledger")"
[ -z "$(find "$folder" -name '.*' -type f)" ] || fail "a failed write left files behind: $(ls -a "$folder")"
[ "$(grep -c "could not write account-usage.json" "$home/app.log")" = 1 ] ||
    fail "the usage store's failures were logged more than once"

# Space returns; the quit saves what the full disk refused.
rm -f "$disk/filler" "$disk/filler-rest"
stop_app
store_holds 45 || fail "the reading kept in memory was not saved at the quit: $(cat "$usage")"
store_keeps_the_claude_account || fail "the saved reading lost Claude Code's account: $(cat "$usage")"
grep -qF "\"codex|$home/.codex-work\"" "$ledger" || fail "the new Codex profile was not saved: $(cat "$ledger")"
[ -z "$(ls "$folder" | grep unreadable || true)" ] || fail "a store was set aside: $(ls "$folder")"
echo "PASS: a full disk left both stores as they were; the quit saved what it kept once space returned"
