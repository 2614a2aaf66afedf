#!/usr/bin/env bash
# icons_test.sh ICONGEN BUILT_ICON_DIR: a second run of the icon generator writes the same bytes
# as the build's run, so packages built from the same sources carry the same icons.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen "$1" "$work" || { echo "FAIL: icongen failed" >&2; exit 1; }
diff -r "$2" "$work" >&2 || { echo "FAIL: icongen output differs between runs" >&2; exit 1; }
[ "$(find "$work" -name '*.png' | wc -l)" -eq 8 ] || { echo "FAIL: not 8 icons" >&2; exit 1; }
echo "icongen: same bytes on a second run"
