#!/usr/bin/env bash
# The command's own arguments: help and version print and end with status 0,
# anything else is an error with status 2; none needs a display or reaches a
# running Meterix (the runtime folder stays empty).
#
#   command-line.sh <meterix> <version>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <meterix> <version>" >&2; exit 2; }
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
# arguments | status | standard output holds | standard error holds (empty: nothing)
rows=("--help|0|Usage: meterix [--help|" "-h|0|-v, --version  print the version|" "--version|0|meterix $2|"
      "-v --help|0|Usage: meterix|" "--bogus|2||meterix: unknown argument '--bogus'" "--help extra|2||Try 'meterix --help'.")
status=0
for row in "${rows[@]}"; do
    IFS='|' read -r args want_status want_out want_err <<< "$row"
    got=0
    # shellcheck disable=SC2086 # split as a shell would
    env -i PATH="$PATH" HOME="$run" XDG_RUNTIME_DIR="$run" ASAN_OPTIONS="${ASAN_OPTIONS:-}" \
        LSAN_OPTIONS="${LSAN_OPTIONS:-}" "$1" $args > "$run/out" 2> "$run/err" || got=$?
    holds() { if [ -n "$2" ]; then grep -qF -- "$2" "$run/$1"; else [ ! -s "$run/$1" ]; fi; }
    if [ "$got" != "$want_status" ] || ! holds out "$want_out" || ! holds err "$want_err" ||
        [ -n "$(ls -A "$run" | grep -vxE 'out|err')" ]; then
        echo "FAIL: meterix $args: status $got; $(cat "$run/out" "$run/err"); runtime folder: $(ls -A "$run")" >&2
        status=1
    fi
done
[ $status -eq 0 ] && echo "PASS: help, version and unknown arguments end at once with their status"
exit $status
