#!/usr/bin/env bash
# cmake --install into a fresh prefix lays out the binary, the launcher entry
# and the icon in the XDG folders, and nothing else; the installed entry still
# validates and starts the installed binary by name with the installed icon.
#
#   install-layout.sh <cmake> <build folder>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <cmake> <build folder>" >&2; exit 2; }
cmake=$1 build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" > "$prefix/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$prefix/install.log")"
rm "$prefix/install.log"

binary=bin/meterix
entry=share/applications/meterix.desktop
icon=share/icons/hicolor/scalable/apps/meterix.svg
laid_out=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
expected=$(printf '%s\n' "$binary" "$entry" "$icon" | sort)
[ "$laid_out" = "$expected" ] || fail "installed $(echo $laid_out), not $(echo $expected)"
[ -x "$prefix/$binary" ] || fail "$binary is not executable"

"$(dirname "$0")/desktop-entry.sh" "$prefix/$entry" > /dev/null || fail "the installed entry does not validate"
key() { sed -n "s/^$1=//p" "$prefix/$entry"; }
[ "$(key Exec)" = "$(basename "$binary")" ] || fail "the entry starts '$(key Exec)', not the installed binary"
[ "$(key Icon)" = "$(basename "$icon" .svg)" ] || fail "the entry's icon '$(key Icon)' is not the installed one"
grep -q '<svg xmlns="http://www.w3.org/2000/svg"' "$prefix/$icon" || fail "the icon is not an SVG"
echo "PASS: $(echo $laid_out) under the prefix"
