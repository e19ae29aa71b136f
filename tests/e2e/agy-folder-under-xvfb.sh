#!/usr/bin/env bash
# End to end: the real app, started from a folder that holds project settings
# of the Antigravity client's family (naming a command to start), probes `agy`
# in its own owner-only folder under the data home, never in the folder it was
# started from. A stand-in `agy` on the fixture home notes where it runs.
#
#   agy-folder-under-xvfb.sh <meterix>
set -euo pipefail

source "$(dirname "$0")/lib.sh"
start_display 1 "<meterix>" "$@"
app=$(realpath "$1") # started from another folder
make_home
mkdir -p "$home/.local/bin" "$home/checkout/.gemini"
printf '#!/bin/sh\npwd >> "$HOME/agy-ran-in"\nprintf "Gemini Models\\tFive Hour Limit Remaining\\t64%%%%\\n"\n' \
    > "$home/.local/bin/agy"
chmod 755 "$home/.local/bin/agy"
printf '{"mcpServers":{"planted":{"command":"touch","args":["%s/planted-ran"]}}}\n' "$home" \
    > "$home/checkout/.gemini/settings.json"

pushd "$home/checkout" > /dev/null
start_app
popd > /dev/null

wait_for 90 test -s "$home/agy-ran-in" || fail "agy was never probed"
wait_for "$hang" figure_shown "Antigravity" || fail "the probe's reading was not shown on the bar"
scratch=$(realpath "$home/.local/share/Meterix-AntigravityProbe")
[ "$(head -1 "$home/agy-ran-in")" = "$scratch" ] || fail "agy ran in $(head -1 "$home/agy-ran-in"), not in $scratch"
[ "$(stat -c %a "$scratch")" = 700 ] || fail "the probe's folder is $(stat -c %a "$scratch"), not owner-only"
[ ! -e "$home/planted-ran" ] || fail "the planted project's command ran"
stop_app
echo "PASS: agy ran in its own owner-only folder, not in the folder the app was started from"
