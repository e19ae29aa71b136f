#!/usr/bin/env bash
# The launcher entry passes the desktop's own check with nothing to mend: no
# error and no warning (hints, such as a suggested extra category, are fine).
#
#   desktop-entry.sh <meterix.desktop>
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 <meterix.desktop>" >&2; exit 2; }
command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate is missing (scripts/install-deps)" >&2; exit 1; }
report=$(desktop-file-validate "$1" 2>&1) || { echo "FAIL: $report" >&2; exit 1; }
if grep -v ': hint: ' <<< "$report" | grep -q .; then
    echo "FAIL: $report" >&2
    exit 1
fi
echo "PASS: $1 validates"
