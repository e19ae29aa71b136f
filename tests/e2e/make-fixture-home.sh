#!/usr/bin/env bash
# Lays out a home folder with three AI tools on it: Claude Code with a cached
# reading (by default 70 % of its five-hour window left), and Codex and Cursor
# installed without figures. Claude Code's configuration is as large as a
# long-time user's: 20 MB of per-project prompt history come before the account
# and the reading. Used by the end-to-end test and the start-up benchmark. Run
# again on the same folder, it gives Claude Code's cache a new reading, taken
# now, in one rename (a reader never sees half of it).
#
#   make-fixture-home.sh <folder> [percent of the five-hour window used]
set -euo pipefail
home=${1:?usage: make-fixture-home.sh <folder> [five-hour percent used]}
used=${2:-30}
mkdir -p "$home/.claude" "$home/.codex" "$home/.config/Cursor" "$home/.local/share"
{
    printf '{"numStartups":412,"projects":{'
    awk 'BEGIN {
        entry = "{\"display\":\"fix the failing test in src/core \\\"Json\\\" and run ctest -j4\\n\",\"pastedContents\":{}}"
        history = entry
        for (i = 1; i < 40; i++) history = history "," entry
        for (p = 0; p < 5100; p++)
            printf "%s\"/home/dev/src/project-%05d\":{\"allowedTools\":[],\"history\":[%s],\"lastCost\":0.48213575}", \
                (p ? "," : ""), p, history
    }'
    printf '},"oauthAccount":{"accountUuid":"u-1","emailAddress":"dev@example.com","organizationType":"claude_max"},
"cachedUsageUtilization":{"accountUuid":"u-1","fetchedAtMs":%s,
"utilization":{"five_hour":{"utilization":%s},"seven_day":{"utilization":60}}}}\n' \
        "$(date +%s%3N)" "$used"
} > "$home/.claude.json.new"
mv "$home/.claude.json.new" "$home/.claude.json"
