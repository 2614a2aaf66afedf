#!/usr/bin/env bash
# accessible_test.sh BIN_DIR CLIP: starts the program on an X display and a session bus of its
# own with the accessibility bus, and checks what a screen reader finds in the main window: every
# skinned control with its role and the name of what it does.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Inside the display and the session bus: the accessibility bus, the program, the reader.
if [ "${1:-}" = --inside ]; then
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    sleep 1
    "$2/mavo-converter" "$3" >"$4/program.log" 2>&1 &
    program=$!
    /usr/bin/python3 "$here/accessible_tree.py" >"$4/tree.txt"
    status=$?
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
    exit $status
fi

bin=$1
clip=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# Two tries: xvfb-run -a can lose the race for a display number to another test's server.
read_tree() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        dbus-run-session -- bash "$0" --inside "$bin" "$clip" "$work" 2>"$work/bus.log"
}
if ! read_tree && ! read_tree; then
    cat "$work/bus.log" "$work/program.log" >&2
    echo "FAIL: the accessibility tree could not be read" >&2
    exit 1
fi

failures=0
expect() {
    grep -qxF "$1" "$work/tree.txt" || { echo "FAIL: no '$1'" >&2; failures=$((failures + 1)); }
}
expect $'list\tClips'
expect $'list item\t'"$(basename "$clip"), 7 seconds, 320 by 240"
expect $'slider\tDrag the knob to seek and the flags to trim'
expect $'check box\tPicture stretched to the panel - click to keep its aspect ratio'
expect $'combo box\tiPod Video : Video: 320x240, 768 kbps, 29.97 fps, Audio: 128 kbps, 44.1 khps, 2 Channels Stereo'
# Every button by the name of what it does, the shortcut where it has one.
while IFS= read -r name; do
    expect $'push button\t'"$name"
done <<'NAMES'
Play the selected clip (Space)
Pause the preview (Space)
Stop the preview
Set the start mark at the current position (I)
Set the end mark at the current position (O)
Add video files to the list (Ctrl+O)
Remove the selected clips from the list (Delete)
Edit the chosen output profile
Convert the clips with the chosen profile (Ctrl+Return)
Help and about (F1)
Minimise
Close
NAMES
if [ $failures -ne 0 ]; then
    echo "the tree as read:" >&2
    cat "$work/tree.txt" >&2
fi
[ $failures -eq 0 ] && echo "accessibility tree: every control found by role and name"
exit $((failures > 0))
