#!/usr/bin/env bash
# The command's own arguments: help and version print and end with status 0,
# anything else is an error with status 2, and none of them needs a display or
# reaches a running Meterix (the runtime folder stays empty).
#
#   command-line.sh <meterix> <version>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <meterix> <version>" >&2; exit 2; }
app=$1 version=$2
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT

# arguments | status | what standard output holds | what standard error holds
rows=(
    "--help|0|Usage: meterix [--help|"
    "-h|0|-v, --version  print the version and exit|"
    "--version|0|meterix $version|"
    "-v|0|meterix $version|"
    "--help --version|0|Usage: meterix|"
    "--bogus|2||meterix: unknown argument '--bogus'"
    "--help extra|2||Try 'meterix --help'."
)
failed=0
for row in "${rows[@]}"; do
    IFS='|' read -r args want_status want_out want_err <<< "$row"
    status=0
    # shellcheck disable=SC2086 # the arguments are split as a shell would
    env -i PATH="$PATH" HOME="$run" ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" XDG_RUNTIME_DIR="$run" "$app" $args > "$run/out" 2> "$run/err" || status=$?
    problem=
    [ "$status" = "$want_status" ] || problem="status $status, not $want_status"
    if [ -n "$want_out" ]; then grep -qF -- "$want_out" "$run/out" || problem+=" no '$want_out' on stdout"
    else [ ! -s "$run/out" ] || problem+=" stdout not empty"; fi
    if [ -n "$want_err" ]; then grep -qF -- "$want_err" "$run/err" || problem+=" no '$want_err' on stderr"
    else [ ! -s "$run/err" ] || problem+=" stderr not empty"; fi
    leftovers=$(ls -A "$run" | grep -vxE 'out|err' || true)
    [ -z "$leftovers" ] || problem+=" left in the runtime folder: $leftovers"
    if [ -n "$problem" ]; then
        echo "FAIL: meterix $args:$problem" >&2
        sed 's/^/  | /' "$run/out" "$run/err" >&2
        failed=1
    fi
done
[ $failed -eq 0 ] || exit 1
echo "PASS: help, version and unknown arguments end at once with their status"
