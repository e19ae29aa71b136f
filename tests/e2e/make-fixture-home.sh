#!/usr/bin/env bash
# Lays out a home folder with three AI tools on it: Claude Code with a cached
# reading (70 % of its five-hour window left), and Codex and Cursor installed
# without figures. Used by the end-to-end test and the start-up benchmark.
#
#   make-fixture-home.sh <folder>
set -euo pipefail
home=${1:?usage: make-fixture-home.sh <folder>}
mkdir -p "$home/.claude" "$home/.codex" "$home/.config/Cursor" "$home/.local/share"
printf '{"oauthAccount":{"accountUuid":"u-1","emailAddress":"dev@example.com","organizationType":"claude_max"},
"cachedUsageUtilization":{"accountUuid":"u-1","fetchedAtMs":%s,
"utilization":{"five_hour":{"utilization":30},"seven_day":{"utilization":60}}}}\n' \
    "$(date +%s%3N)" > "$home/.claude.json"
